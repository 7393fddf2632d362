// The card's pseudo-terminal: a program that took it for itself leaves it free when it goes.
#include "card_terminal.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Whether the slave is held exclusively, read through a descriptor of our own.
int exclusive(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    int flag = -1;
    ::ioctl(fd, TIOCGEXCL, &flag);
    ::close(fd);
    return flag;
}

TEST(CardTerminal, EachClientThatClosesTheSlaveLeavesItFreeForTheNext)
{
    CardTerminal terminal;
    std::string error;
    ASSERT_TRUE(terminal.open(error)) << error;
    ASSERT_GE(terminal.closeWatch(), 0);
    for (int client = 0; client < 2; ++client) {
        const int fd = ::open(terminal.slavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
        ::close(fd);  // as a program killed before it could clear the flag
        pollfd watch{terminal.closeWatch(), POLLIN, 0};
        ASSERT_EQ(::poll(&watch, 1, 5000), 1);
        terminal.clientClosed();
        EXPECT_EQ(exclusive(terminal.slavePath()), 0) << client;
        terminal.clientClosed();  // the close of our own look
    }
}

} // namespace
