#pragma once
// Finds request frames (2A 2A mask 23) in a byte stream that may arrive in pieces,
// with garbage before, between or inside frames.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace card_link {

// One stretch of the stream: a whole request frame, or bytes that cannot belong to one.
struct ScannedPiece {
    bool frame = false;
    std::vector<std::uint8_t> bytes;  // the four frame bytes, or the stray bytes in order
};

class FrameScanner {
public:
    // Adds received bytes and returns the output mask of every frame completed, in order.
    std::vector<std::uint8_t> feed(const std::uint8_t* data, std::size_t size);

    // Adds received bytes and returns every frame and every run of stray bytes now
    // settled, in stream order; together they hold each byte that is not pending.
    std::vector<ScannedPiece> scan(const std::uint8_t* data, std::size_t size);

    // Bytes held back as the possible start of a frame not yet complete (at most 3).
    std::size_t pending() const { return buffer_.size(); }

    // Gives up the pending bytes, for when no more are coming to complete them.
    std::vector<std::uint8_t> takePending();

private:
    std::vector<std::uint8_t> buffer_;
};

} // namespace card_link
