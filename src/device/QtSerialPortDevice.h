#pragma once
// SerialPort over Qt SerialPort, polled without an event loop: bytesWaiting() first pulls
// what the operating system holds.

#include "device/PortMap.h"
#include "device/SerialPort.h"

#include <QSerialPort>

namespace viscora {

class QtSerialPortDevice : public SerialPort {
public:
    explicit QtSerialPortDevice(const PortMap &map) : map_(map) {}
    void setPortNumber(int commPort) override { commPort_ = commPort; }
    void setSettings(const std::string &settings) override { settings_ = settings; }
    void setReadLength(int) override {}
    bool open() override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    bool write(const std::string &bytes) override;
    int bytesWaiting() override;
    std::string readAll() override;
    std::string errorText() const override { return error_; }
    std::string deviceName() const override { return map_.device(commPort_); }
    bool broken() const override;

private:
    const PortMap &map_;
    int commPort_ = 1;
    std::string settings_ = "19200,n,8,1";
    QSerialPort port_;
    std::string device_;
    std::string error_;
};

} // namespace viscora
