// The built tap starting the built panel on its end (--panel), offscreen, against the
// virtual card: it records the panel's polling and ends with the panel; a tap that is
// stopped, by a signal or by Ctrl-C in its terminal, leaves the panel running and says
// so truly; a card that cannot be opened is told by the panel.
#include "card_process.h"
#include "recording_rows.h"
#include "scoped_environment.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::string tempPath(const std::string& name)
{
    return testing::TempDir() + "tap_panel_" + std::to_string(getpid()) + "_" + name;
}

std::string contents(const std::string& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

int lineCount(const std::string& path)
{
    const std::string text = contents(path);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    for (const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs); Clock::now() < end;) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

// The panel the tap says it started: its program and process.
struct StartedPanel {
    std::string program;
    pid_t pid = -1;
};

StartedPanel startedPanel(CardProcess& tap)
{
    static const QRegularExpression started(QStringLiteral("^pelmora-tap: started (.*) \\(pid (\\d+)\\) with "));
    const QRegularExpressionMatch match =
        started.match(QString::fromStdString(tap.errorLineWith("pelmora-tap: started ", 5000)));
    if (!match.hasMatch())
        return {};
    return {match.captured(1).toStdString(), static_cast<pid_t>(match.captured(2).toInt())};
}

// A panel that outlives its tap, which comes to this process (its subreaper) and is
// ended by its pid when the test ends, passed or failed.
struct OrphanedPanel {
    explicit OrphanedPanel(pid_t started) : pid(started) {}
    ~OrphanedPanel()
    {
        if (pid > 0 && ::kill(pid, SIGTERM) == 0)
            ::waitpid(pid, nullptr, 0);
    }
    OrphanedPanel(const OrphanedPanel&) = delete;
    OrphanedPanel& operator=(const OrphanedPanel&) = delete;

    // Ends it now; its wait status.
    int end()
    {
        int status = -1;
        if (::kill(pid, SIGTERM) == 0 && ::waitpid(pid, &status, 0) == pid)
            pid = -1;
        return status;
    }

    pid_t pid;
};

// The state letter of a process in /proc: 'Z' for one that ended and awaits its parent.
// A zombie whose threads are all gone: what its parent can see as ended. Its first
// thread shows 'Z' while the others may still be on their way out.
bool isWholeZombie(pid_t pid)
{
    const std::string proc = "/proc/" + std::to_string(pid);
    const std::string stat = contents(proc + "/stat");
    const std::size_t after = stat.rfind(") ");
    if (after == std::string::npos || stat[after + 2] != 'Z')
        return false;
    return QDir(QString::fromStdString(proc + "/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() == 1;
}

struct Frames {
    int requests = 0;
    int replies = 0;
};

Frames frames(const std::vector<TapRow>& rows)
{
    Frames f;
    for (const TapRow& row : rows) {
        f.requests += row.kind == RowKind::Request;
        f.replies += row.kind == RowKind::Reply;
    }
    return f;
}

// The panel runs offscreen, with a registry of its own.
class TapPanel : public testing::Test {
protected:
    void SetUp() override
    {
        environment_.set("QT_QPA_PLATFORM", "offscreen");
        environment_.set("PELMORA_REGISTRY", QByteArray::fromStdString(tempPath("registry.ini")));
    }
    void TearDown() override { ::unlink(tempPath("registry.ini").c_str()); }
    ScopedEnvironment environment_;
};

TEST_F(TapPanel, RecordsThePanelToADatedFileAndEndsWithIt)
{
    const QString home = QString::fromStdString(tempPath("home"));
    ASSERT_TRUE(QDir().mkpath(home + "/config"));
    std::ofstream(home.toStdString() + "/config/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Documenti\"\n";
    environment_.set("HOME", home.toLocal8Bit());
    environment_.set("XDG_CONFIG_HOME", (home + "/config").toLocal8Bit());
    const std::string log = tempPath("requests.log");
    CardProcess card({"--sweep", "--log", log});
    CardProcess tap(TAP_PATH, {card.readLine(3000), "--panel", "--record"});
    ASSERT_EQ(tap.readLine(3000).rfind("/dev/pts/", 0), 0u) << "the panel's end";
    const std::string recordingLine = tap.errorLineWith("recording to ", 3000);
    const StartedPanel panel = startedPanel(tap);
    ASSERT_GT(panel.pid, 0) << recordingLine;
    EXPECT_EQ(panel.program, std::string(PELMORA_BIN_DIR) + "/pelmora") << "the panel beside the tap";
    ASSERT_TRUE(waitFor([&] { return lineCount(log) >= 10; }, 10000)) << "the panel polls through the tap";

    ASSERT_EQ(::kill(panel.pid, SIGTERM), 0);  // as Esci ends it
    EXPECT_EQ(tap.wait(2000), 0) << "the panel's status";
    const std::string file = recordingLine.substr(recordingLine.find("recording to ") + 13);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("/Documenti/Pelmora/pelmora-\\d{8}-\\d{6}\\.csv$"))
                    .match(QString::fromStdString(file))
                    .hasMatch())
        << file;
    const std::string text = contents(file);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const ReadBack read = readBackFile(file);
    EXPECT_TRUE(read.warnings.empty());
    const Frames f = frames(read.rows);
    EXPECT_EQ(f.requests, lineCount(log)) << "every request the card got";
    EXPECT_EQ(f.replies, f.requests) << "and the answer to each, the last one too";
    QDir(home).removeRecursively();
    ::unlink(log.c_str());
}

TEST_F(TapPanel, AStoppedTapLeavesThePanelRunningAndTellingItsDeviceGone)
{
    // The panel outlives the tap: it comes to this process, which can then wait for it.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const std::string csv = tempPath("stopped.csv");
    CardProcess card({});
    CardProcess tap(TAP_PATH, {card.readLine(3000), "--panel", "--csv", csv});
    OrphanedPanel panel(startedPanel(tap).pid);
    ASSERT_GT(panel.pid, 0);
    ASSERT_TRUE(waitFor([&] { return frames(readBackFile(csv).rows).replies >= 5; }, 10000));

    EXPECT_EQ(tap.stop(2000), 0);
    EXPECT_EQ(::waitpid(panel.pid, nullptr, WNOHANG), 0) << "the panel is still running";
    const std::string gone = tap.errorLineWith("il dispositivo è scomparso", 5000);
    EXPECT_FALSE(gone.empty()) << "the panel reports its device gone, as for any card";
    const std::string text = contents(csv);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_TRUE(readBackFile(csv).warnings.empty());

    const int status = panel.end();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ::unlink(csv.c_str());
}

TEST_F(TapPanel, CtrlCInTheTerminalEndsTheTapAndNotThePanel)
{
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const std::string csv = tempPath("ctrl-c.csv");
    CardProcess card({});
    // The tap as a terminal's foreground job: Ctrl-C signals its whole process group.
    CardProcess tap(TAP_PATH, {card.readLine(3000), "--panel", "--csv", csv}, true);
    OrphanedPanel panel(startedPanel(tap).pid);
    ASSERT_GT(panel.pid, 0);
    ASSERT_TRUE(waitFor([&] { return frames(readBackFile(csv).rows).replies >= 5; }, 10000));

    ASSERT_EQ(::kill(-tap.pid(), SIGINT), 0);
    EXPECT_EQ(tap.wait(2000), 0);
    const std::string said = tap.errorLineWith("pelmora-tap: stopped", 3000);
    EXPECT_NE(said.find("the panel (pid " + std::to_string(panel.pid) + ") is still running"), std::string::npos)
        << said;
    EXPECT_EQ(::waitpid(panel.pid, nullptr, WNOHANG), 0) << "the panel is still running";
    const std::string text = contents(csv);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const ReadBack read = readBackFile(csv);
    EXPECT_TRUE(read.warnings.empty());
    EXPECT_GE(frames(read.rows).replies, 5);
    const int status = panel.end();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ended by the test, not by Ctrl-C: " << status;
    ::unlink(csv.c_str());
}

TEST_F(TapPanel, ATapStoppedAsItsPanelEndsSaysThePanelEnded)
{
    const std::string csv = tempPath("both.csv");
    CardProcess card({});
    CardProcess tap(TAP_PATH, {card.readLine(3000), "--panel", "--csv", csv});
    const StartedPanel panel = startedPanel(tap);
    ASSERT_GT(panel.pid, 0);
    ASSERT_TRUE(waitFor([&] { return frames(readBackFile(csv).rows).replies >= 2; }, 10000));

    // The stop and the panel's end both wait for the tap when it next looks.
    ASSERT_EQ(::kill(tap.pid(), SIGSTOP), 0);
    ASSERT_EQ(::kill(panel.pid, SIGTERM), 0);  // which it takes as Esci
    ASSERT_TRUE(waitFor([&] { return isWholeZombie(panel.pid); }, 5000));
    ASSERT_EQ(::kill(tap.pid(), SIGTERM), 0);
    ASSERT_EQ(::kill(tap.pid(), SIGCONT), 0);
    EXPECT_EQ(tap.wait(3000), 0) << "the panel's status";
    const std::string errors = tap.readErrors(500);
    EXPECT_NE(errors.find("the panel ended with status 0"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("still running"), std::string::npos) << errors;
    EXPECT_EQ(contents(csv).back(), '\n');
    ::unlink(csv.c_str());
}

TEST_F(TapPanel, ACardThatCannotBeOpenedIsToldInThePanelsBoxAndItsFallbackIsTheTap)
{
    const std::string csv = tempPath("missing.csv");
    const std::string device = tempPath("no-card");
    CardProcess tap(TAP_PATH, {device, "--panel", "--csv", csv});
    const std::string panelEnd = tap.readLine(3000);
    const StartedPanel panel = startedPanel(tap);
    ASSERT_GT(panel.pid, 0);
    // The panel's own refusal, which it shows in its "ERRORE" box and prints.
    EXPECT_FALSE(tap.errorLineWith(device + " non esiste", 5000).empty());
    const std::string environment = contents("/proc/" + std::to_string(panel.pid) + "/environ");
    EXPECT_NE(environment.find("PELMORA_COM1=" + device + '\0'), std::string::npos);
    EXPECT_NE(environment.find("PELMORA_COM2=" + panelEnd + '\0'), std::string::npos);

    ASSERT_EQ(::kill(panel.pid, SIGTERM), 0);  // with its box open
    EXPECT_EQ(tap.wait(3000), 0);
    const std::vector<TapRow> rows = readBackFile(csv).rows;
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().kind, RowKind::DeviceGone);
    EXPECT_EQ(rows.front().note.rfind(device, 0), 0u) << rows.front().note;  // the panel's own words
    ::unlink(csv.c_str());
}

TEST_F(TapPanel, LiveWithoutADisplaySaysSoBeforeOpeningAnything)
{
    environment_.set("QT_QPA_PLATFORM", "xcb");
    environment_.set("DISPLAY", ":31999");
    CardProcess tap(TAP_PATH, {"--live", "/nonexistent/ttyUSB9"});
    EXPECT_EQ(tap.wait(5000), 2);
    const std::string errors = tap.readErrors(200);
    EXPECT_NE(errors.find("--live needs a display"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("ttyUSB9"), std::string::npos) << "nothing opened: " << errors;
}

} // namespace
