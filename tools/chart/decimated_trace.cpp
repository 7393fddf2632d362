#include "decimated_trace.h"

#include <algorithm>
#include <cmath>

DecimatedTrace::DecimatedTrace(std::size_t buckets, double origin, double bucketSeconds)
    : buckets_(std::max<std::size_t>(buckets, 2)), origin_(origin), width_(bucketSeconds > 0 ? bucketSeconds : 0.001)
{
    used_.reserve(buckets_);
}

void DecimatedTrace::add(double seconds, double value, bool afterGap)
{
    const double offset = std::max(seconds - origin_, 0.0);
    while (offset / width_ >= static_cast<double>(buckets_))
        widen();
    const auto index = static_cast<std::uint64_t>(offset / width_);
    const bool fresh = used_.empty() || used_.back().index < index;
    // A break inside one bucket lies within a column: only one before a bucket is kept.
    const Kept kept{{seconds, value, afterGap && fresh && count_ > 0}, count_++};
    if (fresh) {
        used_.push_back({index, kept, kept, kept, kept});
        return;
    }
    // A sample no later than the newest: almost always in the last bucket.
    const auto at = used_.back().index == index
        ? used_.end() - 1
        : std::lower_bound(used_.begin(), used_.end(), index, [](const Bucket& b, std::uint64_t i) { return b.index < i; });
    if (at == used_.end() || at->index != index) {
        used_.insert(at, {index, kept, kept, kept, kept});
        return;
    }
    Bucket& bucket = *at;
    if (value < bucket.low.sample.value)
        bucket.low = kept;
    if (value > bucket.high.sample.value)
        bucket.high = kept;
    bucket.last = kept;
}

// Twice as wide, half as many: neighbours merge.
void DecimatedTrace::widen()
{
    std::vector<Bucket> wider;
    wider.reserve(buckets_);
    for (const Bucket& bucket : used_) {
        if (!wider.empty() && wider.back().index == bucket.index / 2)
            wider.back() = merged(wider.back(), bucket);
        else
            wider.push_back({bucket.index / 2, bucket.first, bucket.low, bucket.high, bucket.last});
    }
    used_ = std::move(wider);
    width_ *= 2;
}

DecimatedTrace::Bucket DecimatedTrace::merged(const Bucket& a, const Bucket& b)
{
    Bucket both = a;
    both.last = b.last;
    both.last.sample.afterGap = false;
    if (b.low.sample.value < a.low.sample.value)
        both.low = b.low;
    if (b.high.sample.value > a.high.sample.value)
        both.high = b.high;
    both.low.sample.afterGap = both.low.order == a.first.order && a.first.sample.afterGap;
    both.high.sample.afterGap = both.high.order == a.first.order && a.first.sample.afterGap;
    return both;
}

std::vector<DecimatedTrace::Sample> DecimatedTrace::samples() const
{
    std::vector<Sample> out;
    out.reserve(4 * used_.size());
    for (const Bucket& bucket : used_) {
        // The first and the last bound the other two, which come in the order they were met.
        const bool lowFirst = bucket.low.order <= bucket.high.order;
        const Kept& early = lowFirst ? bucket.low : bucket.high;
        const Kept& late = lowFirst ? bucket.high : bucket.low;
        std::uint64_t previous = bucket.first.order;
        out.push_back(bucket.first.sample);
        for (const Kept* kept : {&early, &late, &bucket.last}) {
            if (kept->order != previous)
                out.push_back(kept->sample);
            previous = kept->order;
        }
    }
    return out;
}
