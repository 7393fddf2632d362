#include "card_device.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool setLine(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace

CardDevice::CardDevice(std::function<std::string(std::string&)> resolveName) : resolveName_(std::move(resolveName))
{
}

CardDevice::~CardDevice()
{
    close();
}

bool CardDevice::open(std::string& error)
{
    std::string problem;
    name_ = resolveName_(problem);
    if (name_.empty()) {
        error = problem;
        return false;
    }
    const int fd = ::open(name_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = name_ + ": " + std::strerror(errno);
        return false;
    }
    // Exclusive like the panel's own port, so the two cannot both hold the card.
    if (::ioctl(fd, TIOCEXCL) != 0 || !setLine(fd)) {
        error = name_ + ": not a serial device (" + std::strerror(errno) + ")";
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void CardDevice::lose(std::int64_t nowMonotonicUs)
{
    close();
    nextAttemptUs_ = nowMonotonicUs + kRetryUs;
}

void CardDevice::close()
{
    if (fd_ < 0)
        return;
    // Exclusive use would outlast this descriptor wherever something else holds the
    // device open (a pseudo-terminal's other end); and a close waits for unsent bytes
    // to drain, which a stalled line may never do.
    ::ioctl(fd_, TIOCNXCL);
    ::tcflush(fd_, TCOFLUSH);
    ::close(fd_);
    fd_ = -1;
}

bool CardDevice::retryIfDue(std::int64_t nowMonotonicUs, std::string& error)
{
    if (fd_ >= 0)
        return true;
    if (nowMonotonicUs < nextAttemptUs_)
        return false;
    nextAttemptUs_ = nowMonotonicUs + kRetryUs;
    return open(error);
}
