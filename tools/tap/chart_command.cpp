#include "chart_command.h"

#include "live_application.h"
#include "live_feed.h"
#include "live_window.h"

#include <cerrno>
#include <csignal>
#include <string>
#include <unistd.h>

namespace {

// Says "ready" to the tap and reads the title it sends back; false when the tap closed
// the descriptor without one, having ended before it opened what it forwards.
bool readTitle(std::string& title)
{
    if (::write(kChartControlFd, "R", 1) != 1)
        return false;
    std::string text;
    char chunk[256];
    ssize_t n;
    while ((n = ::read(kChartControlFd, chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR))
        text.append(chunk, static_cast<std::size_t>(n > 0 ? n : 0));
    ::close(kChartControlFd);
    const std::size_t end = text.find('\0');
    if (end == std::string::npos)
        return false;
    title = text.substr(0, end);
    return true;
}

} // namespace

int runChartCommand(int& argc, char** argv, int windowSeconds)
{
    // Ctrl-C and a terminal that closes are the tap's to take: it then ends the chart
    // itself, with SIGTERM, which ends it at once.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    const std::unique_ptr<QApplication> app = makeLiveApplication(argc, argv);
    std::string title;
    if (!readTitle(title))
        return 0;
    LiveFeed feed(STDIN_FILENO);
    LiveWindow window(QString::fromStdString(title), windowSeconds, feed, [] { QCoreApplication::quit(); });
    window.show();
    return app->exec();
}
