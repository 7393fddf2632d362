#pragma once
// A serial port for unit tests: records what is written, hands out scripted reads,
// and can be made to refuse opening per port number.

#include "card_link/serial_port.h"

#include <QByteArrayList>
#include <set>
#include <vector>

class FakeSerialPort : public card_link::SerialPort {
public:
    int portNumber() const override { return number; }
    void setPortNumber(int n) override
    {
        if (open)
            throw card_link::SerialError("open");
        number = n;
    }
    bool portOpen() const override { return open; }
    void setPortOpen(bool wanted) override
    {
        if (wanted && missing.count(number))
            throw card_link::SerialError("missing");
        if (wanted)
            opened.push_back(number);
        open = wanted;
    }
    void output(const QByteArray& data) override
    {
        if (!open || failWrites)
            throw card_link::SerialError("write");
        written.append(data);
    }
    QByteArray input() override
    {
        if (!open)
            throw card_link::SerialError("read");
        return reads.isEmpty() ? QByteArray() : reads.takeFirst();
    }

    int number = 1;
    bool open = false;
    bool failWrites = false;
    std::set<int> missing;      // port numbers that refuse to open
    std::vector<int> opened;    // every successful open, in order
    QByteArrayList written;
    QByteArrayList reads;       // what successive reads return
};
