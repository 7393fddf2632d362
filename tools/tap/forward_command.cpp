#include "forward_command.h"

#include <QCoreApplication>

#include "background_writer.h"
#include "card_device.h"
#include "card_link/port_name.h"
#include "card_terminal.h"
#include "chart_process.h"
#include "dated_recording.h"
#include "device_link.h"
#include "device_name.h"
#include "forwarding_loop.h"
#include "live_feed.h"
#include "panel_program.h"
#include "platform/process/child_process.h"
#include "platform/process/clocks.h"
#include "platform/process/stop_pipe.h"
#include "recording_file.h"
#include "tap_row.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kProgram = "pelmora-tap";

// Rows waiting for a slow reader: about seven minutes of polling.
constexpr std::size_t kRowQueueBytes = 1024 * 1024;
constexpr std::size_t kMessageQueueBytes = 64 * 1024;
// At the end, the time the rows get to be written, then the time the messages get:
// together well within the second a stop may take.
constexpr std::chrono::milliseconds kRowsDrainTime{400};
constexpr std::chrono::milliseconds kMessagesDrainTime{200};

// True when a stop signal has come and not been taken yet (see stop_pipe.h).
bool stopPending(int stopFd)
{
    pollfd pending{stopFd, POLLIN, 0};
    return ::poll(&pending, 1, 0) > 0 && (pending.revents & POLLIN);
}

int fail(const std::string& error, int status = 1)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return status;
}

std::string message(const std::string& text)
{
    return std::string(kProgram) + ": " + text + "\n";
}

ExistingRecording existingRecording(const TapOptions& options)
{
    if (options.append)
        return ExistingRecording::Append;
    return options.force ? ExistingRecording::Replace : ExistingRecording::Refuse;
}

// The card's device as the user named it, never the tap's own end for the panel: that
// would be the tap talking to itself.
struct CardName {
    std::string given;
    dev_t ownEnd = 0;
    bool isOwnEnd = false;

    std::string operator()(std::string& problem)
    {
        std::string path = resolveCardDevice(given, problem);
        struct stat status {};
        isOwnEnd = !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode)
            && status.st_rdev == ownEnd;
        if (isOwnEnd) {
            problem = path + " is the tap's own end for the panel, not the card";
            path.clear();
        }
        return path;
    }
};

// The card as the title of the live window names it: "Com1 (/dev/ttyUSB0)" or the path.
QString cardTitle(const TapOptions& options, const CardDevice& card)
{
    const QString given = QString::fromStdString(options.device);
    const QString path = QString::fromStdString(card.name());
    if (card_link::comNumber(given) == 0)
        return path.isEmpty() ? given : path;
    return path.isEmpty() ? given : QStringLiteral("%1 (%2)").arg(given, path);
}

// With --panel, a card that cannot be opened at the start is told by the panel itself in
// its "ERRORE" box: its Com1 is the card's device, which it fails to open for the same
// reason, and its fallback, Com2, is the tap's end, while the tap tries the card again
// once a second. False when the panel's Com1 cannot stand for the card: a Com2..Com4 that
// this computer does not have.
bool panelCanTell(const TapOptions& options, const CardDevice& card, const std::string& slave,
                  platform::ChildProcess::Settings& settings)
{
    if (!card.name().empty())
        settings = {{"PELMORA_COM1", card.name()}, {"PELMORA_COM2", slave}};
    else if (card_link::comNumber(QString::fromStdString(options.device)) == 1)
        settings = {{"PELMORA_COM2", slave}};  // Com1 is absent for the panel too
    else
        return false;
    return true;
}

// The card's port object and the forwarding loop run on Qt's event loop in this thread.
std::unique_ptr<QCoreApplication> makeEventLoopApplication()
{
    static int argc = 1;
    static char name[] = "pelmora-tap";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

// The device number of a device file, 0 when it cannot be had.
dev_t deviceNumber(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_rdev : 0;
}

// The link to the panel's end, when one is asked for. The status to end with when it cannot be made.
std::optional<int> makeLink(const TapOptions& options, DeviceLink& link, const std::string& panelEnd, std::string& error)
{
    if (options.linkPath.empty())
        return std::nullopt;
    const DeviceLink::Result made = link.create(options.linkPath, panelEnd, error);
    if (made == DeviceLink::Result::Made)
        return std::nullopt;
    return made == DeviceLink::Result::Refused ? 2 : 1;
}

// Opens where the rows go: a dated file in the documents folder or the file given (or
// standard output). The status to end with when it cannot.
std::optional<int> openRecording(const TapOptions& options, RecordingFile& file, std::string& error)
{
    if (options.record)
        return openDatedRecording(recordingFolder(), wallMicros(), file, error) ? std::nullopt : std::optional(1);
    const RecordingFileOpened opened = openRecordingFile(options.csvPath, existingRecording(options), file, error);
    if (opened == RecordingFileOpened::Ready)
        return std::nullopt;
    return opened == RecordingFileOpened::Refused ? 2 : 1;
}

// What the rows' writer tells the user, through `messages`, about `name`.
BackgroundWriter::Hooks rowHooks(const std::shared_ptr<BackgroundWriter>& messages, const std::string& name)
{
    BackgroundWriter::Hooks hooks;
    hooks.failed = [messages, name](const std::string& reason) {
        messages->add(message("cannot write to " + name + ": " + reason + "; recording stopped, forwarding goes on"));
    };
    hooks.firstDrop = [messages, name] {
        messages->add(message(name + " is not taking the rows as fast as they come: rows are left out until it "
                             "does, and a 'rows dropped' row counts them"));
    };
    hooks.dropNotice = [](std::uint64_t count) {
        return csvLine({wallMicros(), Direction::None, RowKind::RowsDropped, {}, std::to_string(count)});
    };
    return hooks;
}

// Starts the panel on the tap's end and has the loop end with it. False when the tap
// cannot go on: no panel was started at all.
bool startPanel(platform::ChildProcess& panel, const std::string& program, const platform::ChildProcess::Settings& settings,
                const TapOptions& options, const std::string& panelEnd, ForwardingLoop& loop, BackgroundWriter& messages)
{
    // Its standard error is the tap's, and so is its standard output when the rows have
    // the tap's; the tap never ends it: a tap that stops leaves it running.
    platform::ChildProcess::Launch launch{program, {program}, settings, {}, true};
    if (options.csvPath.empty() && !options.record)
        launch.descriptors.push_back({STDERR_FILENO, STDOUT_FILENO});
    std::string why;
    if (!panel.start(launch, why)) {
        messages.add(message("cannot start " + program + ": " + why));
        return false;
    }
    if (panel.fd() < 0) {
        // A panel that runs but cannot be watched still gets its card; the tap then ends
        // on a stop signal only.
        messages.add(message("cannot watch the panel (pid " + std::to_string(panel.pid()) + "): " + why));
        return true;
    }
    messages.add(message("started " + program + " (pid " + std::to_string(panel.pid()) + ") with " + panelEnd
                         + " as its Com1"));
    loop.endWithProcess(panel.fd());
    return true;
}

// The chart draws in its own process, so neither its drawing nor its end holds up a
// frame: whatever becomes of it, forwarding and recording go on.
void showChart(ChartProcess& chart, const QString& title, const TapOptions& options,
               const std::shared_ptr<BackgroundWriter>& messages)
{
    const std::string until = options.panel ? "the panel ends" : "the tap is stopped";
    chart.show(title.toStdString(), [messages, until](int status, const std::string& how) {
        const std::string what = status == 0
            ? "the live chart is closed"
            : "the live chart has ended: its process " + how + " (its own message, if any, is above)";
        messages->add(message(what + "; forwarding and recording go on until " + until));
    });
}

// What the tap says of the panel as it ends, and its exit status.
int endingStatus(ForwardingLoop::Ending ending, bool ok, const TapOptions& options, platform::ChildProcess& panel,
                 BackgroundWriter& messages)
{
    // A stop that came as the panel ended (both told at once, or a hang-up that reached
    // the panel too) is the panel's end: the words and the status say so.
    if (ending == ForwardingLoop::Ending::Stopped && options.panel && panel.hasEnded())
        ending = ForwardingLoop::Ending::PanelEnded;
    if (ending == ForwardingLoop::Ending::Failed)
        return 1;
    if (ending == ForwardingLoop::Ending::PanelEnded) {
        std::string how;
        const int status = panel.reap(how);
        messages.add(message("the panel " + how + "; the recording ends with it"));
        return status;
    }
    if (options.panel && panel.pid() > 0)
        messages.add(message("stopped; the panel (pid " + std::to_string(panel.pid())
                             + ") is still running and goes on without the card"));
    return ok ? 0 : 1;
}

// The tap's writers: the rows to the recording, messages to standard error and the
// panel's end to standard output, unless the rows have it. Started with the first lines.
struct TapWriters {
    TapWriters(const TapOptions& options, const RecordingFile& recording, const std::string& panelEnd)
        : name(recording.name),
          // Shared with the rows' writer, whose thread may outlive the tap's run when abandoned.
          messages(std::make_shared<BackgroundWriter>(STDERR_FILENO, false, kMessageQueueBytes)),
          rows(recording.fd, recording.owned, kRowQueueBytes, rowHooks(messages, recording.name)),
          pathOut(STDOUT_FILENO, false, kMessageQueueBytes)
    {
        messages->start();
        rows.start();
        pathOut.start();
        (options.csvPath.empty() && !options.record ? *messages : pathOut).add(panelEnd + "\n");
        if (options.record)
            messages->add(message("recording to " + name));
        if (recording.needsHeader)
            rows.add(csvHeader());
    }

    // Writes what is left of the rows, says what could not be written and why the tap
    // failed, if it did, and hands over the last messages.
    void finish(const std::string& error)
    {
        const BackgroundWriter::Outcome outcome = rows.finish(kRowsDrainTime);
        if (outcome.dropped > 0)
            messages->add(message(std::to_string(outcome.dropped) + " rows were left out while " + name
                                  + " was not taking them"));
        if (outcome.unwritten > 0)
            messages->add(message(std::to_string(outcome.unwritten) + " rows could not be written to " + name));
        if (!error.empty())
            messages->add(message(error));
        pathOut.finish(std::chrono::milliseconds(50));
        messages->finish(kMessagesDrainTime);
    }

    std::string name;
    std::shared_ptr<BackgroundWriter> messages;
    BackgroundWriter rows;
    BackgroundWriter pathOut;
};

// With --live, starts the chart's process with the reading end of `feed`. The status
// to end with when it cannot draw (no display: it has said so itself, `error` empty).
std::optional<int> startChart(const TapOptions& options, std::optional<LiveFeed>& feed, ChartProcess& chart,
                              int stopFd, std::string& error)
{
    int status = 0;
    if (!options.live || chart.start(feed.emplace().releaseReadEnd(), options.windowSeconds, stopFd, status, error))
        return std::nullopt;
    return status;
}

enum class CardAtStart { Open, LeftToThePanel, Refused };

// Opens the card, giving up at once on a stop signal. One that cannot be opened now ends
// the tap, unless the panel can tell why (see panelCanTell), whose `settings` then name
// the card as its Com1.
CardAtStart openCard(const TapOptions& options, CardDevice& card, const CardName& name, const std::string& panelEnd,
                     int stopFd, platform::ChildProcess::Settings& settings, std::string& problem)
{
    if (card.open(problem, stopFd))
        return CardAtStart::Open;
    if (stopPending(stopFd))
        return CardAtStart::Refused;
    if (options.panel && !name.isOwnEnd && panelCanTell(options, card, panelEnd, settings))
        return CardAtStart::LeftToThePanel;
    return CardAtStart::Refused;
}

// What the panel is started with, when it is, and the card as forwarding starts.
struct StartingPoint {
    platform::ChildProcess::Settings panelSettings;
    std::string panelProgram;  // empty without --panel
    std::string cardProblem;   // why the card could not be opened, when it is left to the panel
    bool cardOpen = false;
};

// Opens the card, or leaves it to the panel to tell why it cannot be (see openCard), and
// finds the panel's program when the tap starts it. False, with `error`, when the tap
// cannot go on.
bool settleStart(const TapOptions& options, CardDevice& card, const CardName& name, const std::string& panelEnd,
                 int stopFd, StartingPoint& start, std::string& error)
{
    const CardAtStart cardAtStart =
        openCard(options, card, name, panelEnd, stopFd, start.panelSettings, start.cardProblem);
    if (cardAtStart == CardAtStart::Refused) {
        error = start.cardProblem;
        return false;
    }
    start.cardOpen = cardAtStart == CardAtStart::Open;
    return !options.panel || !(start.panelProgram = findPanelProgram(error)).empty();
}

// A card left to the panel: forwarding starts without it and tries it again once a second.
void startWithoutCard(ForwardingLoop& loop, BackgroundWriter& messages, const std::string& cardProblem)
{
    messages.add(message(cardProblem + "; the panel says why in its ERRORE box and polls the tap through its "
                         "Com2, and the tap tries the card again once a second"));
    loop.startWithoutCard(cardProblem);
}

// A reader of the recording that goes away, or a file grown past the size limit, must
// not end the tap: the write just fails.
void ignoreWriteFailures()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

// A stop that came while the tap was starting: nothing has been started or recorded yet.
int stoppedWhileStarting()
{
    std::fprintf(stderr, "%s: stopped while starting; no panel was started and nothing was recorded\n", kProgram);
    return 0;
}

} // namespace

int runForwardCommand(const TapOptions& options)
{
    ignoreWriteFailures();
    std::string error;
    // The stop signals are taken first, so a stop that arrives during start-up is not lost.
    platform::StopPipe stops;
    if (!stops.open(error))
        return fail(error);
    const std::unique_ptr<QCoreApplication> application = makeEventLoopApplication();
    // The live chart's process comes first: without a display it says so, and the tap
    // ends before it has opened anything.
    std::optional<LiveFeed> feed;
    ChartProcess chart;
    if (const std::optional<int> refused = startChart(options, feed, chart, stops.fd(), error))
        return error.empty() ? *refused : fail(error, *refused);

    CardTerminal terminal;
    if (!terminal.open(error))
        return fail(error);
    const auto cardName = std::make_shared<CardName>(CardName{options.device, deviceNumber(terminal.slavePath()), false});
    CardDevice card([cardName](std::string& problem) { return (*cardName)(problem); });
    StartingPoint start;
    start.panelSettings = {{"PELMORA_COM1", terminal.slavePath()}};
    const bool started = settleStart(options, card, *cardName, terminal.slavePath(), stops.fd(), start, error);
    // The card's open is the one stage of starting that may take seconds.
    if (stopPending(stops.fd()))
        return stoppedWhileStarting();
    if (!started)
        return fail(error);

    DeviceLink link;
    if (const std::optional<int> refused = makeLink(options, link, terminal.slavePath(), error))
        return fail(error, *refused);
    RecordingFile file;
    if (const std::optional<int> refused = openRecording(options, file, error))
        return fail(error, *refused);

    TapWriters writers(options, file, terminal.slavePath());
    const std::shared_ptr<BackgroundWriter>& messages = writers.messages;
    ForwardingLoop loop(card, writers.rows, *messages, stops.fd());
    if (!start.cardOpen)
        startWithoutCard(loop, *messages, start.cardProblem);
    platform::ChildProcess panel;
    // A stop that came meanwhile ends the loop at once: no panel is left running behind it.
    const bool ok = !options.panel || stopPending(stops.fd())
        || startPanel(panel, start.panelProgram, start.panelSettings, options, terminal.slavePath(), loop, *messages);
    ForwardingLoop::Ending ending = ForwardingLoop::Ending::Stopped;
    if (ok && feed) {
        showChart(chart, cardTitle(options, card), options, messages);
        loop.showRowsTo([&feed](const std::vector<TapRow>& rows) { feed->add(rows); });
    }
    if (ok)
        ending = loop.run(terminal, error);
    chart.end();

    const int status = endingStatus(ending, ok, options, panel, *messages);
    writers.finish(ending == ForwardingLoop::Ending::Failed ? error : std::string());
    return status;
}
