#include "card_frames.h"

#include <cstdint>

namespace card_link {

QByteArray buildRequest(int stato_uscite)
{
    QByteArray frame(2, static_cast<char>(kRequestHeader));
    frame.append(static_cast<char>(static_cast<std::uint8_t>(stato_uscite & 0xFF)));
    frame.append(static_cast<char>(kRequestTrailer));
    return frame;
}

double rawToVolts(int raw)
{
    // The product is formed in 16-bit integer arithmetic first (at most 1275).
    const std::int16_t product = static_cast<std::int16_t>(raw * 5);
    return static_cast<double>(product) / 255.0;
}

std::optional<CardReply> decodeReply(const QByteArray& received)
{
    if (received.size() != static_cast<qsizetype>(kReplySize))
        return std::nullopt;
    const auto byte = [&](int i) { return static_cast<int>(static_cast<std::uint8_t>(received[i])); };
    return CardReply{byte(0), rawToVolts(byte(1)), rawToVolts(byte(2))};
}

} // namespace card_link
