#include "termination_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace panel {
namespace {

int signal_fd = -1;

sigset_t termination_signals()
{
    sigset_t held;
    sigemptyset(&held);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&held, signal);
    return held;
}

} // namespace

bool hold_termination_signals()
{
    const sigset_t held = termination_signals();
    sigset_t before;
    if (sigprocmask(SIG_BLOCK, &held, &before) != 0)
        return false;
    signal_fd = signalfd(-1, &held, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signal_fd < 0) {
        sigprocmask(SIG_SETMASK, &before, nullptr);
        return false;
    }
    return true;
}

void on_termination_signal(QObject* context, std::function<void()> end)
{
    if (signal_fd < 0)
        return;
    auto* notifier = new QSocketNotifier(signal_fd, QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [notifier, end = std::move(end)] {
        signalfd_siginfo received{};
        while (::read(signal_fd, &received, sizeof received) == static_cast<ssize_t>(sizeof received)) {
        }
        notifier->setEnabled(false);
        end();
    });
}

} // namespace panel
