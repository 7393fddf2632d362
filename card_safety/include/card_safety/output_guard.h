#pragma once
// The only place that decides the mask the card is sent. Every face (the panel's buttons,
// D-Bus, pelmora-ctl, MQTT) hands its request here, and the program that holds the card
// sends what comes back; the poll calls update(), and so does a timer set to nextEvent().
//
// What it keeps, as the settings ask:
// - a timed output (max-on) goes off that long after its last ON; an ON while it is on
//   starts the time again, as a keep-alive;
// - no mask it returns has two outputs of one group of an interlock on. An ON switches the
//   rest of its group off at once and is held until they have been off for the wait: it
//   goes out in a later mask than their OFF even with no wait (nextEvent() is then due at
//   once, and the next update() sends it). Of
//   two of a group asked on together, the one newly asked wins (both new: the lower-
//   numbered); the other is left off, or switched off when it was on. An OFF, or an ON of
//   another of the group, cancels a held ON;
// - the safe state, once each time one of its configured causes occurs; nothing is
//   switched back when the cause ends.
// Without any setting it changes nothing: request(m) returns m, update() never returns
// anything and start() gives what outputs-at-start gives. The settings are meant to have
// passed checkSafety. Not thread-safe; the callbacks must not call back into the guard.

#include "kept_outputs.h"
#include "safety_clock.h"
#include "safety_settings.h"

#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace card_safety {

// What the faces may want to show or log, told as it happens, before the call returns;
// each text is one line in English ("output 3 is off: it was on for 20m, its longest").
struct GuardEvents {
    std::function<void(const QString& reason)> safeApplied;  // the safe state, and why in one line
    std::function<void()> safeCleared;                      // a command after it: safeReason() is empty
    std::function<void()> deadlinesChanged;                 // offIn() and kept() changed beyond the ticking
    std::function<void(int channel, const QString& why)> forcedOff;  // switched off, or not restored, by the guard
};

class OutputGuard {
public:
    using Time = std::chrono::steady_clock::time_point;

    explicit OutputGuard(const SafetySettings& settings, const SafetyClock& clock = SafetyClock::system());
    ~OutputGuard();

    // The first mask, before any other call: each output as its at-start says (Default:
    // restored when `restoreByDefault`, else off). `kept` is the last run's, whenever it
    // could be read, whatever the settings: a restored output keeps its deadline (when it
    // is still timed) and stays off once that has passed; a group the kept mask has two of
    // on starts all off; an ON at start whose partner the card may still hold on from the
    // last run waits like any other. Every output off counts as off since start, for the
    // interlock's wait.
    int start(const std::optional<KeptOutputs>& kept, bool restoreByDefault);

    // A command: `wanted` for the outputs in `named` (a whole mask names all eight; a
    // switch of one output names that one, so that the others' held ONs and timers are
    // let be). The mask to send now. An ON in it restarts a timed output's time; it counts
    // as activity against safe-when-silent and ends safeReason().
    int request(int wanted, int named = kAllOutputs);

    // At every poll and at nextEvent(): the new mask, when a deadline, a held ON or a cause
    // of the safe state made one. One comparison when nothing is due.
    std::optional<int> update()
    {
        const Time now = clock_.steadyNow();
        if (now < nextEvent_)
            return std::nullopt;
        return handleDue(now);
    }
    // When update() next has something to do; Time::max() when nothing is pending. May move
    // after any call but the queries.
    Time nextEvent() const { return nextEvent_; }

    // The causes of the safe state (each counts only when configured). The broker is taken
    // as unreachable from start() until brokerUp(): leave safeWhenBrokerLost unset when the
    // program has no broker.
    void brokerUp();
    void brokerDown();
    void homeAssistant(bool online);  // as its status topic says
    void heartbeat();                 // from any client: as a command, for safe-when-silent

    // At a clean stop with safe-at-stop: the safe state, to send before the program ends
    // (an ON that would wait for its interlock stays off); nothing otherwise.
    std::optional<int> stopMask();

    int mask() const;
    // The time left of a timed output that is on.
    std::optional<std::chrono::milliseconds> offIn(int channel) const;
    // Why the safe state was last applied, until the next command; empty otherwise.
    const QString& safeReason() const;
    // The mask and the wall-clock deadlines, for the file kept across restarts.
    KeptOutputs kept() const;

    GuardEvents events;

private:
    class State;

    std::optional<int> handleDue(Time now);

    const SafetyClock& clock_;
    std::unique_ptr<State> state_;
    Time nextEvent_ = Time::max();  // kept here: update()'s one comparison needs nothing else
};

} // namespace card_safety
