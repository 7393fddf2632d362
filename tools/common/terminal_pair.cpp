#include "terminal_pair.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The slave at `path`, opened and set raw; -1 with `failed` naming the step that failed.
int openRawSlave(const char* path, const char*& failed)
{
    const int slave = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        failed = "open slave";
        return -1;
    }
    termios tio{};
    failed = "tcgetattr";
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        failed = "tcsetattr";
        if (tcsetattr(slave, TCSANOW, &tio) == 0)
            return slave;
    }
    const int saved = errno;
    ::close(slave);
    errno = saved;
    return -1;
}

const char* openMaster(int& master)
{
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0)
        return "posix_openpt";
    if (grantpt(master) != 0)
        return "grantpt";
    if (unlockpt(master) != 0)
        return "unlockpt";
    return ptsname(master) == nullptr ? "ptsname" : nullptr;
}

} // namespace

bool openTerminalPair(TerminalPair& pair, std::string& error)
{
    const char* failed = openMaster(pair.master);
    if (failed == nullptr) {
        pair.slavePath = ptsname(pair.master);
        pair.slave = openRawSlave(pair.slavePath.c_str(), failed);
    }
    if (pair.slave >= 0)
        return true;
    error = std::string(failed) + ": " + std::strerror(errno);
    if (pair.master >= 0)
        ::close(pair.master);
    pair = TerminalPair{};
    return false;
}
