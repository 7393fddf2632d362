#pragma once
// The panel's serial port object: the device that a port number names chooses the
// transport at every open, a local serial device (QtSerialPort) or a card on another
// machine (RemoteSerialPort). The exchange, the window and the tap see one port.

#include "qt_serial_port.h"
#include "remote_serial_port.h"

#include <functional>

namespace card_link {

class CardPort : public SerialPortObject {
    Q_OBJECT
public:
    explicit CardPort(QObject* parent = nullptr);

    int portNumber() const override { return number_; }
    void setPortNumber(int number) override;
    bool portOpen() const override { return active_->portOpen(); }
    void setPortOpen(bool open) override;
    void output(const QByteArray& data) override { active_->output(data); }
    QByteArray input() override { return active_->input(); }
    qint64 inputWaiting() const override { return active_->inputWaiting(); }
    bool reopen(PortProblem* why = nullptr) override;

    // The device that the next open uses: a path, or a remote name as written.
    QString deviceName() const { return local_.deviceName(); }
    // Names the device at every open, in place of the port number: a path or a remote
    // name, or empty with the reason why there is none now.
    using Resolver = std::function<QString(QString& problem)>;
    void setResolver(Resolver resolver) { resolver_ = std::move(resolver); }
    // A local device's bytes are read only when input() asks (see QtSerialPort).
    void setReadOnDemand(bool onDemand) { local_.setReadOnDemand(onDemand); }
    // Until the next input(), readyRead() says when bytes come (a card on another machine
    // always says it).
    void wakeOnInput() { local_.wakeOnInput(); }

private:
    // The transport for the device the port number names now.
    SerialPort& choose();
    // Asks the resolver, when there is one, which device the next open uses.
    void resolve();

    QtSerialPort local_;
    RemoteSerialPort remote_;
    SerialPort* active_ = &local_;
    int number_ = 1;
    Resolver resolver_;
};

} // namespace card_link
