#pragma once
// The card's end of a pseudo-terminal for tests (opened as in terminal_pair.h): the
// test holds the master and the code under test opens the slave by its path.

#include <QByteArray>
#include <QString>

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    QString slavePath() const { return slavePath_; }
    bool isOpen() const { return master_ >= 0; }

    // Writes to the panel's side.
    void send(const QByteArray& bytes);
    // Reads what the panel sent, waiting up to timeoutMs for at least `atLeast` bytes.
    QByteArray receive(int atLeast, int timeoutMs);
    // Closes the master: to the panel the device has gone away.
    void close();

private:
    int master_ = -1;
    QString slavePath_;
};
