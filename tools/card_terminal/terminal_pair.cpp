#include "terminal_pair.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

bool openTerminalPair(TerminalPair& pair, std::string& error)
{
    const auto fail = [&](const char* what) {
        error = std::string(what) + ": " + std::strerror(errno);
        for (int fd : {pair.slave, pair.master})
            if (fd >= 0)
                ::close(fd);
        pair = TerminalPair{};
        return false;
    };
    pair.master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pair.master < 0)
        return fail("posix_openpt");
    if (grantpt(pair.master) != 0)
        return fail("grantpt");
    if (unlockpt(pair.master) != 0)
        return fail("unlockpt");
    const char* name = ptsname(pair.master);
    if (name == nullptr)
        return fail("ptsname");
    pair.slavePath = name;
    pair.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pair.slave < 0)
        return fail("open slave");
    termios tio{};
    if (tcgetattr(pair.slave, &tio) != 0)
        return fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(pair.slave, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    return true;
}
