#pragma once
// Where the guard takes its time: the steady clock for every deadline, the wall clock only
// to keep deadlines across a restart. Tests give one of their own that moves both.

#include <chrono>

namespace card_safety {

class SafetyClock {
public:
    virtual ~SafetyClock() = default;
    virtual std::chrono::steady_clock::time_point steadyNow() const = 0;
    virtual std::chrono::system_clock::time_point wallNow() const = 0;

    // The machine's clocks.
    static const SafetyClock& system();
};

} // namespace card_safety
