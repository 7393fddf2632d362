#include "forward_command.h"

#include <QCoreApplication>

#include "background_writer.h"
#include "card_device.h"
#include "card_link/port_name.h"
#include "card_terminal.h"
#include "chart_process.h"
#include "clocks.h"
#include "dated_recording.h"
#include "device_link.h"
#include "device_name.h"
#include "forwarding_loop.h"
#include "live_feed.h"
#include "panel_process.h"
#include "panel_program.h"
#include "recording_file.h"
#include "stop_signals.h"
#include "tap_row.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
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
    if (card_link::com_number(given) == 0)
        return path.isEmpty() ? given : path;
    return path.isEmpty() ? given : QStringLiteral("%1 (%2)").arg(given, path);
}

// With --panel, a card that cannot be opened at the start is told by the panel itself in
// its "ERRORE" box: its Com1 is the card's device, which it fails to open for the same
// reason, and its fallback, Com2, is the tap's end, while the tap tries the card again
// once a second. False when the panel's Com1 cannot stand for the card: a Com2..Com4 that
// this computer does not have.
bool panelCanTell(const TapOptions& options, const CardDevice& card, const std::string& slave,
                  PanelProcess::Settings& settings)
{
    if (!card.name().empty())
        settings = {{"PELMORA_COM1", card.name()}, {"PELMORA_COM2", slave}};
    else if (card_link::com_number(QString::fromStdString(options.device)) == 1)
        settings = {{"PELMORA_COM2", slave}};  // Com1 is absent for the panel too
    else
        return false;
    return true;
}

} // namespace

int runForwardCommand(const TapOptions& options)
{
    // A reader of the recording that goes away, or a file grown past the size limit,
    // must not end the tap: the write just fails.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    std::string error;
    // Signals are blocked first, so a stop that arrives during start-up is not lost and
    // no thread (the writers', the forwarding's, the chart's watcher) ever takes one.
    StopSignals stops;
    if (!stops.block(error))
        return fail(error);
    // The card's port object and the forwarding loop run on Qt's event loop in this
    // thread; made after the signals are blocked, so no thread Qt starts takes one.
    int qtArgc = 1;
    char qtName[] = "pelmora-tap";
    char* qtArgv[] = {qtName, nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    // The live chart's process comes first: without a display it says so, and the tap
    // ends before it has opened anything.
    std::optional<LiveFeed> feed;
    ChartProcess chart;
    int chartStatus = 0;
    if (options.live
        && !chart.start(feed.emplace().releaseReadEnd(), options.windowSeconds, stops.fd(), chartStatus, error))
        return error.empty() ? chartStatus : fail(error, chartStatus);

    CardTerminal terminal;
    if (!terminal.open(error))
        return fail(error);
    struct stat ownEnd {};
    ::stat(terminal.slavePath().c_str(), &ownEnd);
    auto cardName = std::make_shared<CardName>(CardName{options.device, ownEnd.st_rdev, false});
    CardDevice card([cardName](std::string& problem) { return (*cardName)(problem); });
    std::string cardProblem;
    PanelProcess::Settings panelSettings{{"PELMORA_COM1", terminal.slavePath()}};
    const bool cardOpen = card.open(cardProblem);
    if (!cardOpen && (!options.panel || cardName->isOwnEnd
                      || !panelCanTell(options, card, terminal.slavePath(), panelSettings)))
        return fail(cardProblem);
    std::string panelProgram;
    if (options.panel && (panelProgram = findPanelProgram(error)).empty())
        return fail(error);

    DeviceLink link;
    if (!options.linkPath.empty()) {
        const DeviceLink::Result made = link.create(options.linkPath, terminal.slavePath(), error);
        if (made != DeviceLink::Result::Made)
            return fail(error, made == DeviceLink::Result::Refused ? 2 : 1);
    }
    RecordingFile file;
    if (options.record) {
        if (!openDatedRecording(recordingFolder(), wallMicros(), file, error))
            return fail(error);
    } else {
        const RecordingFileOpened opened = openRecordingFile(options.csvPath, existingRecording(options), file, error);
        if (opened != RecordingFileOpened::Ready)
            return fail(error, opened == RecordingFileOpened::Refused ? 2 : 1);
    }

    // Shared with the rows' writer, whose thread may outlive this function when abandoned.
    const auto messages = std::make_shared<BackgroundWriter>(STDERR_FILENO, false, kMessageQueueBytes);
    BackgroundWriter::Hooks hooks;
    hooks.failed = [messages, name = file.name](const std::string& reason) {
        messages->add(message("cannot write to " + name + ": " + reason + "; recording stopped, forwarding goes on"));
    };
    hooks.firstDrop = [messages, name = file.name] {
        messages->add(message(name + " is not taking the rows as fast as they come: rows are left out until it "
                             "does, and a 'rows dropped' row counts them"));
    };
    hooks.dropNotice = [](std::uint64_t count) {
        return csvLine({wallMicros(), Direction::None, RowKind::RowsDropped, {}, std::to_string(count)});
    };
    BackgroundWriter rows(file.fd, file.owned, kRowQueueBytes, hooks);
    // The panel's end goes first on standard output, unless the rows have it.
    BackgroundWriter pathOut(STDOUT_FILENO, false, kMessageQueueBytes);
    messages->start();
    rows.start();
    pathOut.start();
    (options.csvPath.empty() && !options.record ? *messages : pathOut).add(terminal.slavePath() + "\n");
    if (options.record)
        messages->add(message("recording to " + file.name));
    if (file.needsHeader)
        rows.add(csvHeader());

    ForwardingLoop loop(card, rows, *messages, stops.fd());
    if (!cardOpen) {
        messages->add(message(cardProblem + "; the panel says why in its ERRORE box and polls the tap through its "
                              "Com2, and the tap tries the card again once a second"));
        loop.startWithoutCard(cardProblem);
    }
    PanelProcess panel;
    bool ok = true;
    if (options.panel) {
        const bool rowsOnStdout = options.csvPath.empty() && !options.record;
        if (panel.start(panelProgram, panelSettings, rowsOnStdout, error)) {
            messages->add(message("started " + panelProgram + " (pid " + std::to_string(panel.pid()) + ") with "
                                  + terminal.slavePath() + " as its Com1"));
            loop.endWithProcess(panel.fd());
        } else {
            messages->add(message(error));
            // A panel that runs but cannot be watched still gets its card; the tap then
            // ends on a stop signal only.
            ok = panel.pid() > 0;
        }
    }

    ForwardingLoop::Ending ending = ForwardingLoop::Ending::Stopped;
    if (ok && feed) {
        // The chart draws in its own process, so neither its drawing nor its end holds
        // up a frame: whatever becomes of it, forwarding and recording go on.
        const std::string until = options.panel ? "the panel ends" : "the tap is stopped";
        chart.show(cardTitle(options, card).toStdString(), [messages, until](int status, const std::string& how) {
            const std::string what = status == 0 ? "the live chart is closed"
                                                 : "the live chart has ended: its process " + how
                    + " (its own message, if any, is above)";
            messages->add(message(what + "; forwarding and recording go on until " + until));
        });
        loop.showFramesOn(&*feed);
    }
    if (ok)
        ending = loop.run(terminal, error);
    chart.end();

    // A stop that came as the panel ended (both told at once, or a hang-up that reached
    // the panel too) is the panel's end: the words and the status say so.
    if (ending == ForwardingLoop::Ending::Stopped && options.panel && panel.hasEnded())
        ending = ForwardingLoop::Ending::PanelEnded;
    int status = ok ? 0 : 1;
    if (ending == ForwardingLoop::Ending::Failed) {
        status = 1;
    } else if (ending == ForwardingLoop::Ending::PanelEnded) {
        std::string how;
        status = panel.reap(how);
        messages->add(message("the panel " + how + "; the recording ends with it"));
    } else if (options.panel && panel.pid() > 0) {
        messages->add(message("stopped; the panel (pid " + std::to_string(panel.pid())
                              + ") is still running and goes on without the card"));
    }
    const BackgroundWriter::Outcome outcome = rows.finish(kRowsDrainTime);
    if (outcome.dropped > 0)
        messages->add(message(std::to_string(outcome.dropped) + " rows were left out while " + file.name
                             + " was not taking them"));
    if (outcome.unwritten > 0)
        messages->add(message(std::to_string(outcome.unwritten) + " rows could not be written to " + file.name));
    if (ending == ForwardingLoop::Ending::Failed)
        messages->add(message(error));
    pathOut.finish(std::chrono::milliseconds(50));
    messages->finish(kMessagesDrainTime);
    return status;
}
