#include "sim/SimPort.h"

namespace viscora::sim {

bool SimPort::open()
{
    if (portNumber_ != availablePort)
        return false;
    open_ = true;
    return true;
}

bool SimPort::write(const std::string &bytes)
{
    if (!open_)
        return false;
    written += bytes;
    sim_.receive(bytes, clock_.secondsSinceMidnight());
    return true;
}

void SimPort::pull()
{
    const std::string out = sim_.poll(clock_.secondsSinceMidnight());
    // Bytes sent while the port is closed are lost, as on a real line.
    if (open_)
        buffer_ += out;
}

int SimPort::bytesWaiting()
{
    pull();
    return static_cast<int>(buffer_.size());
}

std::string SimPort::readAll()
{
    pull();
    std::string out;
    out.swap(buffer_);
    return out;
}

} // namespace viscora::sim
