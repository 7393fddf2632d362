// pelmora-bare-poller DEVICE: the least a program can do to poll the card. A kernel timer
// every 100 ms; on each expiry the 4-byte all-off request is written and whatever the card
// has sent since is read and thrown away; nothing else. The benchmark runs it beside the
// panel, as the floor that the panel's costs are measured against. Ends on SIGTERM, SIGINT or SIGHUP.
#include "card_link/frame_bytes.h"
#include "platform/process/stop_pipe.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <fcntl.h>
#include <poll.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pelmora-bare-poller DEVICE\n");
        return 2;
    }
    const int line = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios raw{};
    if (line < 0 || tcgetattr(line, &raw) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    cfmakeraw(&raw);
    cfsetspeed(&raw, B9600);
    tcsetattr(line, TCSANOW, &raw);

    platform::StopPipe stops;
    std::string error;
    if (!stops.open(error)) {
        std::fprintf(stderr, "pelmora-bare-poller: %s\n", error.c_str());
        return 1;
    }
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    const itimerspec every100ms{{0, 100'000'000}, {0, 100'000'000}};
    if (timer < 0 || timerfd_settime(timer, 0, &every100ms, nullptr) != 0) {
        std::perror("pelmora-bare-poller");
        return 1;
    }
    const unsigned char request[card_link::kRequestSize] = {card_link::kRequestHeader, card_link::kRequestHeader, 0x00,
                                                            card_link::kRequestTrailer};
    unsigned char reply[1024];
    for (;;) {
        pollfd watched[] = {{timer, POLLIN, 0}, {stops.fd(), POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0 && errno != EINTR)
            return 1;
        if (watched[1].revents != 0)
            return 0;
        std::uint64_t expirations = 0;
        if (::read(timer, &expirations, sizeof expirations) != sizeof expirations)
            continue;
        if (::write(line, request, sizeof request) < 0 && errno != EAGAIN)
            return 1;
        while (::read(line, reply, sizeof reply) > 0) {
        }
    }
}
