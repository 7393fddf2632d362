#pragma once
// A long series of samples (seconds, value), added in time order, kept as at most
// `buckets` buckets of equal width, each with its first, lowest, highest and last
// sample. Drawn with a bucket or two per pixel column, that looks as the whole series
// would, every spike included, and takes the same memory however long the series.
// When the span is not known beforehand (a recording read from its start), the width
// starts small and doubles, buckets merging in pairs, whenever a sample falls beyond
// the last bucket; when it is (a window up to now), each bucket is one column.

#include <cstdint>
#include <vector>

class DecimatedTrace {
public:
    struct Sample {
        double seconds = 0;
        double value = 0;
        bool afterGap = false;  // not joined to the sample before it
    };

    // `seconds` of the samples count from `origin`; a sample before it goes into the
    // first bucket, a sample beyond the last bucket widens them all.
    explicit DecimatedTrace(std::size_t buckets, double origin = 0, double bucketSeconds = 0.001);

    // `afterGap`: the series was broken (its source went away) before this sample.
    void add(double seconds, double value, bool afterGap = false);

    // The samples kept, in the order they were added, each once.
    std::vector<Sample> samples() const;

    bool empty() const { return count_ == 0; }

private:
    struct Kept {
        Sample sample;
        std::uint64_t order = 0;
    };
    // Only the buckets in use are stored, in the order of their index: a window that
    // holds fewer samples than columns costs no more than its samples.
    struct Bucket {
        std::uint64_t index = 0;
        Kept first, low, high, last;
    };

    void widen();
    static Bucket merged(const Bucket& a, const Bucket& b);

    std::size_t buckets_;
    std::vector<Bucket> used_;
    double origin_;
    double width_;
    std::uint64_t count_ = 0;
};
