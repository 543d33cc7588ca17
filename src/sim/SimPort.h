#pragma once
// A SerialPort wired straight to a simulated instrument, on the program's clock: the
// in-process twin of the pseudo-terminal, for tests and demonstrations.

#include "core/Clock.h"
#include "device/SerialPort.h"
#include "sim/SimInstrument.h"

namespace viscora::sim {

class SimPort : public SerialPort {
public:
    SimPort(SimInstrument &instrument, Clock &clock) : sim_(instrument), clock_(clock) {}
    void setPortNumber(int n) override { portNumber_ = n; }
    void setSettings(const std::string &s) override { settings_ = s; }
    void setReadLength(int) override {}
    bool open() override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    bool write(const std::string &bytes) override;
    int bytesWaiting() override;
    std::string readAll() override;

    // The only port number that opens (others are "absent").
    int availablePort = 1;
    std::string written; // everything the program wrote
    const std::string &settings() const { return settings_; }
    int portNumber() const { return portNumber_; }

private:
    void pull();
    SimInstrument &sim_;
    Clock &clock_;
    int portNumber_ = 0;
    std::string settings_;
    bool open_ = false;
    std::string buffer_;
};

} // namespace viscora::sim
