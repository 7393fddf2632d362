#pragma once
// A long series of samples (seconds, value), added in time order, kept as at most
// `buckets` buckets of equal width, each with its first, lowest, highest and last
// sample. Drawn with a bucket or two per pixel column, that looks as the whole series
// would, every spike included, and takes the same memory however long the recording.
// The width starts small and doubles, buckets merging in pairs, whenever a sample falls
// beyond the last bucket, so the length need not be known beforehand.

#include <cstdint>
#include <vector>

class DecimatedTrace {
public:
    struct Sample {
        double seconds = 0;
        double value = 0;
    };

    explicit DecimatedTrace(std::size_t buckets);

    // `seconds` from the start, not before 0.
    void add(double seconds, double value);

    // The samples kept, in the order they were added, each once.
    std::vector<Sample> samples() const;

    bool empty() const { return count_ == 0; }

private:
    struct Kept {
        Sample sample;
        std::uint64_t order = 0;
    };
    struct Bucket {
        bool used = false;
        Kept first, low, high, last;
    };

    static Bucket merged(const Bucket& a, const Bucket& b);

    std::vector<Bucket> buckets_;
    double width_ = 0.001;
    std::uint64_t count_ = 0;
};
