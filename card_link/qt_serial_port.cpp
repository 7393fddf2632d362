#include "qt_serial_port.h"

#include "port_device.h"
#include "port_name.h"
#include "port_refusal.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace card_link {
namespace {

// The node itself is a pseudo-terminal's slave (/dev/pts/N), not a link to one.
bool isPseudoTerminal(const QString& device)
{
    struct stat node {};
    if (::lstat(QFile::encodeName(device).constData(), &node) != 0 || !S_ISCHR(node.st_mode))
        return false;
    const unsigned int kind = major(node.st_rdev);
    return kind >= 136 && kind <= 143;  // Linux's majors for them
}

} // namespace

QtSerialPort::QtSerialPort(QObject* parent) : SerialPortObject(parent)
{
    port_.setBaudRate(kBaudRate);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // Bounds memory: Qt stops reading from the device while the buffer is full.
    port_.setReadBufferSize(kInputBufferSize);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::readyRead);
}

void QtSerialPort::setPortNumber(int number)
{
    if (port_.isOpen())
        throw SerialError("the port number cannot change while the port is open");
    if (number < 1 || number > kPortCount)
        throw SerialError("invalid port number");
    number_ = number;
    closedTerminal_.reset();
}

QString QtSerialPort::deviceName() const
{
    return device_.isEmpty() ? deviceForPort(number_) : device_;
}

void QtSerialPort::setPortOpen(bool open)
{
    if (!open) {
        if (port_.isOpen())
            port_.close();
        closedTerminal_.reset();
        return;
    }
    if (!port_.isOpen())
        this->open();
}

void QtSerialPort::open()
{
    // Resolved afresh at every open, so an adapter plugged in since is found.
    const QString device = deviceName();
    if (device.isEmpty())
        throw SerialError(diagnoseRefusal(number_, device, QSerialPort::DeviceNotFoundError, {}));
    if (closedTerminal_ && closedTerminal_->port == device)
        throw SerialError(*closedTerminal_);
    port_.setPortName(device);
    if (!port_.open(QIODevice::ReadWrite)) {
        PortProblem refusal = diagnoseRefusal(number_, device, port_.error(), port_.errorString());
        port_.clearError();
        throw SerialError(std::move(refusal));
    }
    openedTerminal_ = isPseudoTerminal(device);
    // The modem lines stay as the kernel raises them on open: pseudo-terminals
    // refuse to have them set, and the card does not need them.
    woken_ = false;
    if (onDemand_)
        stopReadingAsBytesArrive();
}

void QtSerialPort::wakeOnInput()
{
    if (!onDemand_ || !port_.isOpen())
        return;
    woken_ = true;
    for (QSocketNotifier* notifier : port_.findChildren<QSocketNotifier*>()) {
        if (notifier->type() == QSocketNotifier::Read)
            notifier->setEnabled(true);
    }
}

void QtSerialPort::stopReadingAsBytesArrive()
{
    // Qt watches the device with a read notifier of the port's own; without it, the bytes
    // wait in the kernel until input() reads them.
    for (QSocketNotifier* notifier : port_.findChildren<QSocketNotifier*>()) {
        if (notifier->type() == QSocketNotifier::Read)
            notifier->setEnabled(false);
    }
}

QByteArray QtSerialPort::readFromDevice()
{
    char data[kInputBufferSize];
    qsizetype got = 0;
    while (got < kInputBufferSize) {
        const qsizetype wanted = kInputBufferSize - got;
        const ssize_t n = ::read(port_.handle(), data + got, static_cast<size_t>(wanted));
        if (n > 0) {
            got += n;
            if (n < wanted)
                break;  // all there was
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Nothing more for now: a raw line that has nothing reads 0 bytes. A device that
        // hung up reads 0 too, and its next write fails.
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        // An error such as EIO: it has gone.
        lose(qt_error_string(errno));
        throw SerialError("read failed: the device went away");
    }
    return QByteArray(data, got);
}

void QtSerialPort::lose(const QString& reason)
{
    PortProblem lost;
    lost.kind = PortProblem::Kind::Lost;
    lost.port = deviceName();
    lost.number = number_;
    lost.reason = reason;
    if (openedTerminal_)
        closedTerminal_ = lost;
    port_.close();
    port_.clearError();
    emit deviceLost(lost);
}

void QtSerialPort::output(const QByteArray& data)
{
    if (!port_.isOpen())
        throw SerialError("write on a closed port");
    if (port_.bytesToWrite() + data.size() > kOutputBufferSize)
        throw SerialError("output buffer full");
    QByteArray rest = data;
    // With nothing queued before them, the bytes go to the device at once: a request
    // is a few bytes and the device takes them whole. Qt's own write would also watch
    // the device until it could take more, which costs the event loop two more passes
    // and four more system calls at every poll.
    if (port_.bytesToWrite() == 0) {
        const ssize_t written = ::write(port_.handle(), rest.constData(), static_cast<size_t>(rest.size()));
        if (written == rest.size())
            return;
        if (written < 0 && onDemand_ && errno != EAGAIN && errno != EINTR) {
            lose(qt_error_string(errno));
            throw SerialError("write failed: the device went away");
        }
        // Anything the device did not take, or an error, goes Qt's way, which queues
        // the rest and reports a device that has gone as it always does.
        if (written > 0)
            rest.remove(0, written);
    }
    if (port_.write(rest) != rest.size())
        throw SerialError("write failed");
    // Hand the bytes to the device now rather than at the next pass of the event loop.
    port_.flush();
}

QByteArray QtSerialPort::input()
{
    if (!port_.isOpen())
        throw SerialError("read on a closed port");
    if (!onDemand_)
        return port_.readAll();
    // Anything Qt took in before its reading was stopped, or while woken, comes first.
    if (port_.bytesAvailable() == 0 && !woken_)
        return readFromDevice();
    woken_ = false;
    const QByteArray taken = port_.readAll();
    stopReadingAsBytesArrive();
    return taken + readFromDevice();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    // A vanished device keeps raising ResourceError; release it so nothing spins.
    if (error == QSerialPort::ResourceError && port_.isOpen())
        lose(port_.errorString());
}

} // namespace card_link
