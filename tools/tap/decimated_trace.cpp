#include "decimated_trace.h"

#include <algorithm>
#include <array>
#include <cmath>

DecimatedTrace::DecimatedTrace(std::size_t buckets) : buckets_(std::max<std::size_t>(buckets, 2)) {}

void DecimatedTrace::add(double seconds, double value)
{
    seconds = std::max(seconds, 0.0);
    while (seconds / width_ >= static_cast<double>(buckets_.size())) {
        const std::size_t half = buckets_.size() / 2;
        for (std::size_t i = 0; i < half; ++i)
            buckets_[i] = merged(buckets_[2 * i], buckets_[2 * i + 1]);
        std::fill(buckets_.begin() + static_cast<std::ptrdiff_t>(half), buckets_.end(), Bucket{});
        width_ *= 2;
    }
    Bucket& bucket = buckets_[static_cast<std::size_t>(seconds / width_)];
    const Kept kept{{seconds, value}, count_++};
    if (!bucket.used) {
        bucket = {true, kept, kept, kept, kept};
        return;
    }
    if (value < bucket.low.sample.value)
        bucket.low = kept;
    if (value > bucket.high.sample.value)
        bucket.high = kept;
    bucket.last = kept;
}

DecimatedTrace::Bucket DecimatedTrace::merged(const Bucket& a, const Bucket& b)
{
    if (!a.used)
        return b;
    if (!b.used)
        return a;
    Bucket both = a;
    both.last = b.last;
    if (b.low.sample.value < a.low.sample.value)
        both.low = b.low;
    if (b.high.sample.value > a.high.sample.value)
        both.high = b.high;
    return both;
}

std::vector<DecimatedTrace::Sample> DecimatedTrace::samples() const
{
    std::vector<Sample> out;
    for (const Bucket& bucket : buckets_) {
        if (!bucket.used)
            continue;
        std::array<Kept, 4> four{bucket.first, bucket.low, bucket.high, bucket.last};
        std::sort(four.begin(), four.end(), [](const Kept& a, const Kept& b) { return a.order < b.order; });
        for (std::size_t i = 0; i < four.size(); ++i)
            if (i == 0 || four[i].order != four[i - 1].order)
                out.push_back(four[i].sample);
    }
    return out;
}
