#include "device/QtSerialPortDevice.h"

#include <QStringList>

namespace viscora {

namespace {
void applySettings(QSerialPort &port, const std::string &settings)
{
    const QStringList parts = QString::fromStdString(settings).split(QLatin1Char(','));
    port.setBaudRate(parts.value(0).toInt() > 0 ? parts.value(0).toInt() : 19200);
    const QString parity = parts.value(1).toLower();
    port.setParity(parity == QLatin1String("e")   ? QSerialPort::EvenParity
                   : parity == QLatin1String("o") ? QSerialPort::OddParity
                                                  : QSerialPort::NoParity);
    port.setDataBits(parts.value(2) == QLatin1String("7") ? QSerialPort::Data7
                                                          : QSerialPort::Data8);
    port.setStopBits(parts.value(3) == QLatin1String("2") ? QSerialPort::TwoStop
                                                          : QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}
} // namespace

bool QtSerialPortDevice::open()
{
    error_.clear();
    if (port_.isOpen())
        return true;
    const std::string device = map_.device(commPort_);
    if (device.empty()) {
        error_ = "Comm " + std::to_string(commPort_) + " is not assigned to a device";
        return false;
    }
    device_ = device;
    port_.setPortName(QString::fromStdString(device));
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = device + ": " + port_.errorString().toStdString();
        return false;
    }
    applySettings(port_, settings_);
    port_.clear();
    return true;
}

bool QtSerialPortDevice::broken() const
{
    // A pulled adapter shows as a resource error, a far end that closed (a pseudo-terminal's)
    // as a read error; either way nothing more will come through this port.
    return port_.isOpen() &&
           (port_.error() == QSerialPort::ResourceError || port_.error() == QSerialPort::ReadError);
}

void QtSerialPortDevice::close()
{
    if (port_.isOpen())
        port_.close();
}

bool QtSerialPortDevice::write(const std::string &bytes)
{
    if (!port_.isOpen())
        return false;
    const qint64 n = port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    port_.waitForBytesWritten(1000);
    if (n == static_cast<qint64>(bytes.size()) &&
        (port_.error() == QSerialPort::NoError || port_.error() == QSerialPort::TimeoutError))
        return true;
    error_ = device_ + ": " + port_.errorString().toStdString();
    return false;
}

int QtSerialPortDevice::bytesWaiting()
{
    if (!port_.isOpen())
        return 0;
    port_.waitForReadyRead(0);
    return static_cast<int>(port_.bytesAvailable());
}

std::string QtSerialPortDevice::readAll()
{
    if (!port_.isOpen())
        return {};
    port_.waitForReadyRead(0);
    const QByteArray b = port_.readAll();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

} // namespace viscora
