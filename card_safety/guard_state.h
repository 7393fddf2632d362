#pragma once
// The guard's state and rules, on times handed in: OutputGuard reads its clock and keeps
// only what its update() needs to do nothing fast. Its parts: switching (guard_switching),
// start and what is kept (guard_start), the safe state (guard_safe_state).

#include "interlocks.h"
#include "output_guard.h"
#include "safe_causes.h"

namespace card_safety {

class OutputGuard::State {
public:
    using WallTime = std::chrono::system_clock::time_point;

    State(const SafetySettings& settings, const GuardEvents& events);

    int start(const std::optional<KeptOutputs>& kept, bool restoreByDefault, Time now, WallTime wall);
    int request(int wanted, int named, Time now);
    // What is due at `now`, done; the new mask when it changed.
    std::optional<int> handleDue(Time now);
    void broker(bool reachable, Time now);
    void homeAssistant(bool online, Time now);
    void heartbeat(Time now);
    std::optional<int> stop(Time now);

    Time nextEvent() const { return nextEvent_; }
    int mask() const { return mask_; }
    std::optional<std::chrono::milliseconds> offIn(int channel, Time now) const;
    const QString& safeReason() const { return safeReason_; }
    KeptOutputs kept(Time now, WallTime wall) const;

private:
    // `wanted` settled for the interlock (`fresh`: its newly asked ONs), then switched to; an
    // output it switches off for a partner is told.
    void settleAndSwitch(int wanted, int fresh, Time now);
    // Offs at once; each ON at once, or held while a partner is (or has just gone) off.
    void switchTo(int wanted, Time now);
    void switchOn(int channel, Time now);
    void switchOff(int channel, Time now);
    // When `channel` may go on as far as its partners go.
    Time releaseTime(int channel) const;
    void keepAlive(int outputs, Time now);
    void applySafeState(const QString& reason, Time now);
    void restoreDeadline(int channel, const KeptOutputs& kept, Time now, WallTime wall);
    // The outputs kept on or not restored from `kept`, each told why.
    int restored(const std::optional<KeptOutputs>& kept, bool restoreByDefault, WallTime wall) const;
    // After every change: the next event, and the deadlines told when they moved.
    void finish();
    // What is on, and what is held to go on.
    int intended() const;
    void forced(int channel, const QString& why) const;

    const SafetySettings settings_;
    const GuardEvents& events_;
    const Interlocks interlocks_;
    SafeCauses causes_;
    int mask_ = 0;
    std::array<std::optional<Time>, kOutputCount> offAt_{};     // timed outputs that are on
    std::array<std::optional<Time>, kOutputCount> heldTill_{};  // ONs held for their interlock
    std::array<Time, kOutputCount> offSince_{};
    QString safeReason_;
    bool deadlinesMoved_ = false;
    Time nextEvent_ = Time::max();
};

} // namespace card_safety
