#pragma once
// What the outputs were when the program last ran, kept in a file so that a restart, a
// crash or a power cut finds it: the mask, and when each timed output that was on is to go
// off, on the wall clock. As text:
//   outputs=0x81
//   output-1-off-at=2026-12-10T14:03:05.250Z
// the first line alone being what older runs wrote, and still read.

#include "output_bits.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <chrono>
#include <optional>

namespace card_safety {

struct KeptOutputs {
    int mask = 0;
    std::array<std::optional<std::chrono::system_clock::time_point>, kOutputCount> offAt{};  // by channel
};

QByteArray formatKeptOutputs(const KeptOutputs& kept);

// Nothing with `problem` (in English, naming the line) when `text` is not that.
std::optional<KeptOutputs> parseKeptOutputs(const QByteArray& text, QString& problem);

} // namespace card_safety
