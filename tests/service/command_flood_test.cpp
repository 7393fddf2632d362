// A flood of commands from the broker: what reaches the card and the disk. The card is
// sent only what a 9600-baud line can carry (commands that come while a request waits for
// its reply go with the next one), the last command wins, and the kept outputs are not
// rewritten at every command.
#include "service_process.h"

#include "card_and_panel_processes.h"
#include "mosquitto_broker.h"
#include "private_bus.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

namespace {

qint64 monotonicMicros()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Counts the times a file named `name` is put in place in `folder` (written whole, then
// renamed over the old one).
class Rewrites {
public:
    Rewrites(const QString& folder, QString name) : fd_(::inotify_init1(IN_NONBLOCK)), name_(std::move(name))
    {
        ::inotify_add_watch(fd_, folder.toLocal8Bit().constData(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~Rewrites() { ::close(fd_); }
    int count()
    {
        alignas(inotify_event) char buffer[8192];
        for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len && QString::fromLocal8Bit(event->name) == name_)
                    ++count_;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return count_;
    }

private:
    int fd_;
    QString name_;
    int count_ = 0;
};

} // namespace

TEST(CommandFlood, FoldsCommandsIntoTheRequestsTheLineCarriesAndKeepsTheLastOne)
{
    MosquittoBroker broker;
    if (broker.missing())
        GTEST_SKIP() << "mosquitto is not installed";
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    PrivateSessionBus bus;
    VirtualCard card({"--link", folder.filePath("card"), "--log", folder.filePath("frames")});
    const QString state = folder.filePath("state");
    ServiceProcess service({folder.filePath("card"), "--name", "tank", "--mqtt", broker.url()}, state);
    MqttFollower follower(broker.port(), {"pelmora/tank/output/3"});
    ASSERT_TRUE(follower.waitFor("pelmora/tank/output/3 OFF")) << service.said().toStdString();
    Rewrites rewrites(state + "/pelmora", "tank.state");

    // 500 commands, ON and OFF in turn, the last one ON, as fast as the broker passes them.
    QByteArray commands;
    for (int i = 0; i < 500; ++i)
        commands += i % 2 ? "ON\n" : "OFF\n";
    const qint64 start = monotonicMicros();
    QProcess publisher;
    publisher.start("mosquitto_pub", {"-p", QString::number(broker.port()), "-q", "1", "-t",
                                      "pelmora/tank/output/3/set", "-l"});
    publisher.write(commands);
    publisher.closeWriteChannel();
    ASSERT_TRUE(publisher.waitForFinished(10000));
    ASSERT_TRUE(follower.waitFor("pelmora/tank/output/3 ON", 3000));
    runEventsFor(1500);  // the file's last write, at most a second after the one before
    const qint64 end = monotonicMicros();

    int requests = 0;
    for (const LoggedFrame& frame : readFrameLog(folder.filePath("frames")))
        requests += frame.micros >= start && frame.micros <= end;
    const double seconds = double(end - start) / 1e6;
    // Ten polls a second, and at most one more request for each reply's time (20 ms).
    EXPECT_LE(requests, int(seconds * 10 + seconds * 50) + 3) << seconds << " s";
    EXPECT_EQ(readFrameLog(folder.filePath("frames")).last().mask, 0x20) << "the last command won";
    // Once at the first command, then at most once a second.
    EXPECT_GE(rewrites.count(), 1);
    EXPECT_LE(rewrites.count(), int(seconds) + 2) << seconds << " s";
    EXPECT_EQ(service.stop(), 0);
}
