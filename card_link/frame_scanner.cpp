#include "frame_scanner.h"

#include "frame_bytes.h"

namespace card_link {

namespace {
constexpr std::uint8_t kHeader = card_link::kRequestHeader;
constexpr std::uint8_t kTrailer = card_link::kRequestTrailer;
constexpr std::size_t kFrameSize = card_link::kRequestSize;

void addStray(std::vector<ScannedPiece>& pieces, std::uint8_t byte)
{
    if (pieces.empty() || pieces.back().frame)
        pieces.push_back({false, {}});
    pieces.back().bytes.push_back(byte);
}
} // namespace

std::vector<std::uint8_t> FrameScanner::feed(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> masks;
    for (const ScannedPiece& piece : scan(data, size))
        if (piece.frame)
            masks.push_back(piece.bytes[2]);
    return masks;
}

std::vector<ScannedPiece> FrameScanner::scan(const std::uint8_t* data, std::size_t size)
{
    buffer_.insert(buffer_.end(), data, data + size);
    std::vector<ScannedPiece> pieces;
    std::size_t start = 0;
    // Each step either takes a whole frame or drops one byte that cannot begin one;
    // a possible frame start shorter than a frame stays for the next read.
    while (start < buffer_.size()) {
        const std::size_t left = buffer_.size() - start;
        const std::uint8_t* b = buffer_.data() + start;
        if (b[0] != kHeader || (left >= 2 && b[1] != kHeader)) {
            addStray(pieces, b[0]);
            ++start;
            continue;
        }
        if (left < kFrameSize)
            break;
        if (b[3] == kTrailer) {
            pieces.push_back({true, {b, b + kFrameSize}});
            start += kFrameSize;
        } else {
            addStray(pieces, b[0]);
            ++start;
        }
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start));
    return pieces;
}

std::vector<std::uint8_t> FrameScanner::takePending()
{
    std::vector<std::uint8_t> bytes;
    bytes.swap(buffer_);
    return bytes;
}

} // namespace card_link
