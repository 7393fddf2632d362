#include "card_terminal.h"

#include "terminal_pair.h"

#include <array>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

CardTerminal::~CardTerminal()
{
    for (int fd : {watch_, slave_, master_})
        if (fd >= 0)
            ::close(fd);
}

bool CardTerminal::open(std::string& error)
{
    TerminalPair pair;
    if (!openTerminalPair(pair, error))
        return false;
    master_ = pair.master;
    slave_ = pair.slave;
    slavePath_ = pair.slavePath;
    // Without a watch (inotify exhausted) everything works but the lifting of the flag.
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && inotify_add_watch(watch_, slavePath_.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
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
