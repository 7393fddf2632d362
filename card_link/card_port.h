#pragma once
// The panel's serial port object: the device that a port number names chooses the
// transport at every open, a local serial device (QtSerialPort) or a card on another
// machine (RemoteSerialPort). The exchange, the window and the tap see one port.

#include "qt_serial_port.h"
#include "remote_serial_port.h"

namespace card_link {

class CardPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit CardPort(QObject* parent = nullptr);

    int portNumber() const override { return number_; }
    void setPortNumber(int number) override;
    bool portOpen() const override { return active_->portOpen(); }
    void setPortOpen(bool open) override;
    void output(const QByteArray& data) override { active_->output(data); }
    QByteArray input() override { return active_->input(); }
    bool reopen() override;

    // The device that the next open uses: a path, or a remote name as written.
    QString deviceName() const { return local_.deviceName(); }

signals:
    // The device went away, or the connection dropped, while open; the port is closed.
    void deviceLost();
    // Something the user should know once, in Italian (a remote line setting refused).
    void notice(const QString& text);

private:
    // The transport for the device the port number names now.
    SerialPort& choose();

    QtSerialPort local_;
    RemoteSerialPort remote_;
    SerialPort* active_ = &local_;
    int number_ = 1;
};

} // namespace card_link
