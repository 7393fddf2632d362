#pragma once
// The serial port object on QSerialPort, with the panel's fixed line settings:
// 9600 baud, 8 data bits, no parity, 1 stop bit, no handshaking, a 1024-byte
// input buffer and a 512-byte output buffer.

#include "serial_port_object.h"

#include <QSerialPort>

#include <optional>

namespace card_link {

class QtSerialPort : public SerialPortObject {
    Q_OBJECT
public:
    static constexpr qint32 kBaudRate = 9600;
    static constexpr qint64 kInputBufferSize = 1024;
    static constexpr qint64 kOutputBufferSize = 512;

    explicit QtSerialPort(QObject* parent = nullptr);

    int portNumber() const override { return number_; }
    void setPortNumber(int number) override;
    bool portOpen() const override { return port_.isOpen(); }
    void setPortOpen(bool open) override;
    void output(const QByteArray& data) override;
    QByteArray input() override;
    // What Qt has read so far: with reading on demand, only while wakeOnInput() holds.
    qint64 inputWaiting() const override { return port_.bytesAvailable(); }

    // The device that the next open uses: the one set, else what the port number names.
    QString deviceName() const;
    // Opens `device` rather than what the port number names; empty goes back to the number.
    void setDevice(const QString& device) { device_ = device; }
    // Reads the card's bytes only when input() asks for them, not as they arrive: a program
    // that polls on its own schedule (the service) is then woken once a poll, not twice, and
    // readyRead() is not emitted. A device that goes away is found by the read or the
    // write that fails, at the next poll. Takes effect at the next open.
    void setReadOnDemand(bool onDemand) { onDemand_ = onDemand; }
    // Reading on demand: Qt reads the bytes as they come, and readyRead() says so, until the
    // next input().
    void wakeOnInput();

private:
    void open();
    void onError(QSerialPort::SerialPortError error);
    // Qt's own reading, as bytes arrive, stopped.
    void stopReadingAsBytesArrive();
    // What the device has now, read straight from it, at most what the input buffer holds.
    QByteArray readFromDevice();
    // The device went away: the port is closed, and deviceLost() says why.
    void lose(const QString& reason);

    QSerialPort port_;
    int number_ = 1;
    QString device_;
    bool onDemand_ = false;
    bool woken_ = false;
    // The device open now is a pseudo-terminal named by its own path.
    bool openedTerminal_ = false;
    // Such a terminal that went away, with how: its number goes to the next terminal
    // anyone opens (a shell's, another program's), never to the card again, so it is not
    // reopened until a port is chosen anew. A link to one is followed wherever it points.
    std::optional<PortProblem> closedTerminal_;
};

} // namespace card_link
