#include "reply_maker.h"

#include "card_link/card_frames.h"
#include "card_link/output_mask.h"

std::uint8_t sweepValue(std::int64_t elapsedUs)
{
    const std::int64_t half = kSweepPeriodUs / 2;
    std::int64_t t = elapsedUs % kSweepPeriodUs;
    if (t < 0)
        t += kSweepPeriodUs;
    const std::int64_t rising = t < half ? t : kSweepPeriodUs - t;
    return static_cast<std::uint8_t>((rising * 255 + half / 2) / half);
}

std::uint8_t inputsFollowing(std::uint8_t outputs)
{
    int inputs = 0;
    for (int n = 0; n < card_link::kChannelCount; ++n)
        if (card_link::outputOn(outputs, n))
            inputs |= 1 << n;
    return static_cast<std::uint8_t>(inputs);
}

ReplyMaker::ReplyMaker(const CardOptions& options, std::uint32_t seed, std::int64_t startUs,
                       std::vector<Reply> recorded)
    : options_(options), startUs_(startUs), random_(seed), recorded_(std::move(recorded))
{
}

Reply ReplyMaker::frame(std::uint8_t lastOutputs, std::int64_t nowUs) const
{
    if (!recorded_.empty())
        return recorded_[last_];
    const std::uint8_t inputs = options_.followOutputs ? inputsFollowing(lastOutputs) : options_.inputs;
    if (!options_.sweep)
        return {inputs, options_.analog1, options_.analog2};
    const std::uint8_t a1 = sweepValue(nowUs - startUs_);
    return {inputs, a1, static_cast<std::uint8_t>(255 - a1)};
}

Reply ReplyMaker::nextRecorded()
{
    last_ = next_;
    if (next_ + 1 < recorded_.size())
        ++next_;
    else if (options_.replayLoop)
        next_ = 0;
    return recorded_[last_];
}

std::vector<std::uint8_t> ReplyMaker::answer(std::uint8_t outputs, std::int64_t nowUs)
{
    if (!recorded_.empty()) {
        const Reply reply = nextRecorded();
        return {reply.begin(), reply.end()};
    }
    if (!options_.garbage) {
        const auto f = frame(outputs, nowUs);
        return {f.begin(), f.end()};
    }
    std::uniform_int_distribution<int> count(0, 8);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count(random_)));
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(byte(random_));
    return bytes;
}
