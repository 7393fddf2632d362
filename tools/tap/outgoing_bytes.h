#pragma once
// Bytes on their way to one side that it has not taken yet. Normally every write is taken
// whole; if the other side stops reading, what is left waits here (up to kLimit, the
// oldest going first beyond that) and goes out when the side can take it again.

#include <cstddef>
#include <cstdint>
#include <deque>

class OutgoingBytes {
public:
    static constexpr std::size_t kLimit = 64 * 1024;

    // Writes what `fd` takes now and keeps the rest. False on a write error other than a full device.
    bool send(int fd, const std::uint8_t* data, std::size_t size);
    // Writes what is waiting, as far as `fd` takes it; false as for send().
    bool flush(int fd);

    bool waiting() const { return !bytes_.empty(); }
    void clear() { bytes_.clear(); }

private:
    std::deque<std::uint8_t> bytes_;
};
