#pragma once
// The serial-port operations the program needs, nothing more. A scripted fake in tests,
// the operating system's device in the program, the simulated instrument in between.

#include <string>

namespace viscora {

class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual void setPortNumber(int commPort) = 0;
    virtual void setSettings(const std::string &settings) = 0; // "19200,n,8,1"
    virtual void setReadLength(int length) = 0;                // 0: the whole buffer
    // False when the port cannot be opened (absent, in use, invalid number).
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Writes the bytes as they are; false on failure (closed port, device gone).
    virtual bool write(const std::string &bytes) = 0;
    virtual int bytesWaiting() = 0;
    virtual std::string readAll() = 0;
    // Why the last open or write failed, in the system's words ("/dev/ttyUSB0: Permission
    // denied"); empty when nothing failed or nothing is known.
    virtual std::string errorText() const { return {}; }
    // The device the port number stands for ("/dev/ttyUSB0"); empty when not known.
    virtual std::string deviceName() const { return {}; }
    // The device went away under an open port (the adapter pulled, the far end closed).
    virtual bool broken() const { return false; }
};

} // namespace viscora
