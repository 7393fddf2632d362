#include "server_refusal.h"

#include "printable_text.h"

#include <array>

namespace card_link {
namespace {

// How the server's refusals begin.
constexpr std::array<const char*, 4> kRefusals = {
    "Port already in use",
    "Port's device already in use",
    "Port's device failed open",
    "Device open failure",
};

// Longer than any refusal's start: a line of text this long that matched is a refusal.
constexpr qsizetype kLongestStart = 32;
// What of the server's words is shown: ser2net's longest are well within it.
constexpr int kReasonLimit = 160;

} // namespace

ServerRefusal::Verdict ServerRefusal::feed(const QByteArray& bytes)
{
    if (verdict_ == Verdict::Data)
        return verdict_;
    held_ += bytes.left(1024 - held_.size());
    if (verdict_ == Verdict::Refused)
        return verdict_;
    bool couldBe = false;
    for (const char* refusal : kRefusals) {
        const QByteArray start(refusal);
        const qsizetype compared = std::min(start.size(), held_.size());
        if (held_.left(compared) != start.left(compared))
            continue;
        if (held_.size() >= start.size()) {
            verdict_ = Verdict::Refused;
            return verdict_;
        }
        couldBe = true;
    }
    if (!couldBe || held_.size() > kLongestStart)
        verdict_ = Verdict::Data;
    return verdict_;
}

QByteArray ServerRefusal::takeHeld()
{
    if (verdict_ != Verdict::Data)
        return {};
    return std::exchange(held_, {});
}

QString ServerRefusal::reason() const
{
    if (verdict_ != Verdict::Refused)
        return {};
    return printableText(held_, kReasonLimit);
}

} // namespace card_link
