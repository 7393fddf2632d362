#include "pseudo_terminal.h"

#include "terminal_pair.h"

#include <QElapsedTimer>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    TerminalPair pair;
    std::string error;
    if (!openTerminalPair(pair, error))
        throw std::runtime_error("cannot create a pseudo-terminal: " + error);
    // The slave is the code under test's alone: when it closes it, nothing else holds it.
    ::close(pair.slave);
    master_ = pair.master;
    // Writes wait for room, as they would to a device.
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) & ~O_NONBLOCK);
    slavePath_ = QString::fromStdString(pair.slavePath);
}

PseudoTerminal::~PseudoTerminal()
{
    close();
}

void PseudoTerminal::send(const QByteArray& bytes)
{
    if (master_ >= 0 && ::write(master_, bytes.constData(), bytes.size()) != bytes.size())
        throw std::runtime_error("short write to the pseudo-terminal");
}

QByteArray PseudoTerminal::receive(int atLeast, int timeoutMs)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (master_ >= 0 && got.size() < atLeast && clock.elapsed() < timeoutMs) {
        pollfd pfd{master_, POLLIN, 0};
        if (::poll(&pfd, 1, 10) <= 0)
            continue;
        if (!(pfd.revents & POLLIN)) {
            ::usleep(5000);  // no panel on the slave end: the master reports hang-up at once
            continue;
        }
        char buffer[256];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, static_cast<int>(n));
    }
    return got;
}

void PseudoTerminal::close()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}
