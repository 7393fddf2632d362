#pragma once
// The two frames exchanged with the card: a 4-byte request carrying the output
// mask and a 3-byte reply carrying the input mask and two analogue readings.

#include "frame_bytes.h"

#include <QByteArray>
#include <optional>

namespace card_link {

struct CardReply {
    int inputMask = 0;     // bit k is input k
    double volts1 = 0.0;   // analogue channel 1, shown on gauge 0
    double volts2 = 0.0;   // analogue channel 2, shown on gauge 1
};

// "**", the mask byte, "#". The mask is taken modulo 256, as one character code.
QByteArray buildRequest(int stato_uscite);

// A read of exactly three bytes is a reply; any other length decodes to nothing.
std::optional<CardReply> decodeReply(const QByteArray& received);

// r x 5 / 255: 0 gives 0.0 V, 51 gives 1.0 V, 255 gives 5.0 V.
double rawToVolts(int raw);

// The bit order of the two masks, channels counted 0 to 7 from the left of the
// window: output channel n is bit 7 - n of the request's mask, input n is bit n
// of the reply's input mask.
constexpr bool outputOn(int outputMask, int channel) { return ((outputMask >> (7 - channel)) & 1) != 0; }
constexpr bool inputOn(int inputMask, int channel) { return ((inputMask >> channel) & 1) != 0; }

} // namespace card_link
