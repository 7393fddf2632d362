// Fuzzes the reply decoder with arbitrary reads and the request builder with
// arbitrary output states, checking each against the frame layout.
#include "card_link/card_frames.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace card_link;

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "frames_fuzz: %s\n", what);
        std::abort();
    }
}

void checkVolts(double volts, std::uint8_t raw)
{
    check(volts >= 0.0 && volts <= 5.0, "voltage outside 0..5 V");
    // r x 5 / 255 exactly as the card's converter scales it.
    check(volts == static_cast<double>(raw * 5) / 255.0, "voltage is not r x 5 / 255");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray received(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto reply = decodeReply(received);
    check(reply.has_value() == (size == 3), "only a read of exactly 3 bytes is a reply");
    if (reply) {
        check(reply->inputMask == data[0], "input mask is not the first byte");
        checkVolts(reply->volts1, data[1]);
        checkVolts(reply->volts2, data[2]);
    }

    // Any int is a valid output state; the frame carries it modulo 256.
    if (size >= sizeof(int)) {
        int state;
        std::memcpy(&state, data, sizeof state);
        const QByteArray frame = buildRequest(state);
        check(frame.size() == 4, "request is not 4 bytes");
        check(frame.startsWith("**") && frame.endsWith('#'), "request is not \"**\" mask \"#\"");
        check(static_cast<std::uint8_t>(frame[2]) == static_cast<unsigned>(state) % 256u,
              "mask byte is not the state modulo 256");
    }
    return 0;
}
