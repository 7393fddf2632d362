#pragma once
// A serial port that passes everything to a real one and records each read: the
// bytes, and what the screen showed when the read was made (before the exchange
// that made it had any chance to change it).

#include "card_link/serial_port.h"

#include <QList>
#include <functional>

template <typename Screen>
class RecordingSerialPort : public card_link::SerialPort {
public:
    struct Read {
        QByteArray bytes;
        Screen screenBefore;
    };

    explicit RecordingSerialPort(card_link::SerialPort& port) : port_(port) {}
    void watchScreen(std::function<Screen()> snapshot) { snapshot_ = std::move(snapshot); }

    int portNumber() const override { return port_.portNumber(); }
    void setPortNumber(int number) override { port_.setPortNumber(number); }
    bool portOpen() const override { return port_.portOpen(); }
    void setPortOpen(bool open) override { port_.setPortOpen(open); }
    void output(const QByteArray& data) override { port_.output(data); }
    QByteArray input() override
    {
        QByteArray bytes = port_.input();
        reads.push_back({bytes, snapshot_ ? snapshot_() : Screen{}});
        return bytes;
    }

    QList<Read> reads;

private:
    card_link::SerialPort& port_;
    std::function<Screen()> snapshot_;
};
