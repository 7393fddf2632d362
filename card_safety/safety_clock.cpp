#include "safety_clock.h"

namespace card_safety {
namespace {

class SystemClock : public SafetyClock {
public:
    std::chrono::steady_clock::time_point steadyNow() const override { return std::chrono::steady_clock::now(); }
    std::chrono::system_clock::time_point wallNow() const override { return std::chrono::system_clock::now(); }
};

} // namespace

const SafetyClock& SafetyClock::system()
{
    static const SystemClock clock;
    return clock;
}

} // namespace card_safety
