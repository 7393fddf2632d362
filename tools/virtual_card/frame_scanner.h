#pragma once
// Finds request frames (2A 2A mask 23) in a byte stream that may arrive in pieces,
// with garbage before, between or inside frames.

#include <cstddef>
#include <cstdint>
#include <vector>

class FrameScanner {
public:
    // Adds received bytes and returns the output mask of every frame completed, in order.
    std::vector<std::uint8_t> feed(const std::uint8_t* data, std::size_t size);

    // Bytes held back as the possible start of a frame not yet complete (at most 3).
    std::size_t pending() const { return buffer_.size(); }

private:
    std::vector<std::uint8_t> buffer_;
};
