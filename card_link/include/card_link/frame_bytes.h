#pragma once
// The card's frames, byte by byte: a request is "**", the output mask, "#"; a reply is
// the input mask and the two analogue readings. Plain constants, for programs that
// speak to the card without Qt too.

#include <cstddef>
#include <cstdint>

namespace card_link {

inline constexpr std::uint8_t kRequestHeader = '*';  // twice, at the start
inline constexpr std::uint8_t kRequestTrailer = '#';
inline constexpr std::size_t kRequestSize = 4;
inline constexpr std::size_t kReplySize = 3;

} // namespace card_link
