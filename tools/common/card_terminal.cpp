#include "card_terminal.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

CardTerminal::~CardTerminal()
{
    for (int fd : {watch_, slave_, master_})
        if (fd >= 0)
            ::close(fd);
}

bool CardTerminal::open(std::string& error)
{
    auto fail = [&](const char* what) {
        error = std::string(what) + ": " + std::strerror(errno);
        return false;
    };
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0)
        return fail("posix_openpt");
    if (grantpt(master_) != 0)
        return fail("grantpt");
    if (unlockpt(master_) != 0)
        return fail("unlockpt");
    const char* name = ptsname(master_);
    if (name == nullptr)
        return fail("ptsname");
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0)
        return fail("open slave");
    termios tio{};
    if (tcgetattr(slave_, &tio) != 0)
        return fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(slave_, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    // Without a watch (inotify exhausted) everything works but the lifting of the flag.
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && inotify_add_watch(watch_, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(watch_);
        watch_ = -1;
    }
    return true;
}

void CardTerminal::clientClosed()
{
    alignas(inotify_event) std::array<char, 4096> events;
    while (::read(watch_, events.data(), events.size()) > 0) {
    }
    // Also lifts it for a program that still has the slave open after another closed
    // it; only root can open a slave held exclusively, so that takes root's doing.
    ::ioctl(slave_, TIOCNXCL);
}
