#pragma once
// The signals that ask a program to end (SIGTERM from a logout or `kill`, SIGINT
// from Ctrl-C, SIGHUP when its terminal closes), delivered on the event loop as
// a Qt signal, so that the program can end the way it always does instead of
// being cut off with its port still open. The handler only writes one byte to a
// pipe that the event loop watches; everything else happens there.

#include <QObject>

#include <csignal>
#include <memory>

class QSocketNotifier;

namespace platform {

class StopSignals : public QObject {
    Q_OBJECT
public:
    // Takes over the three signals and unblocks them, in case whoever started the
    // program left them blocked. One at a time per process; the previous handling
    // comes back when it goes.
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // False when the pipe or a handler could not be set up; the signals then keep
    // their default action.
    bool active() const { return notifier_ != nullptr; }

signals:
    // Once per signal received.
    void stopRequested(int signalNumber);

private:
    void readPending();

    int pipe_[2] = {-1, -1};
    struct sigaction previous_[3] {};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace platform
