#include "pseudo_terminal.h"

#include <QElapsedTimer>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    slavePath_ = QString::fromLocal8Bit(ptsname(master_));
    // Raw mode from the start, so nothing is echoed before the port is configured.
    const int slave = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios tio{};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
        ::close(slave);
    }
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
