#pragma once
// What the household calls the card's channels, and what each analogue input measures. The
// card reports volts, 0 to 5 in 255 steps; a scale turns them into what the sensor measures,
// a straight line through two points ("0.5 V = 0 %, 4.5 V = 100 %"), a value that may fall
// as the volts rise ("0.5 V = 100 %, 4.5 V = 0 %"), kept within its two values when
// clamped. Channels are numbered from 1 here, as everywhere outside the code.

#include <QString>

#include <array>
#include <optional>

namespace card_channels {

inline constexpr int kOutputs = 8;
inline constexpr int kInputs = 8;
inline constexpr int kAnalogInputs = 2;
// The longest name a channel may have, in characters.
inline constexpr int kLongestName = 64;

struct AnalogScale {
    double volts[2] = {0, 5};
    double values[2] = {0, 5};
    QString unit;        // as written after the values ("%", "bar", "°C"); may be empty
    bool clamp = false;  // the value kept within values[0]..values[1]

    double value(double volts) const;
    // Decimals enough to tell one step of the card (5 V / 255) apart in the value: 0 to 6.
    int naturalPrecision() const;
    // How much the value moves for one volt, always above 0.
    double unitsPerVolt() const;
};

struct AnalogChannel {
    QString name;                      // empty: the panel's own
    std::optional<AnalogScale> scale;  // none: the volts are the reading
    std::optional<int> precision;      // decimals of the scaled value; none: its natural one
    QString deviceClass;               // Home Assistant's sensor device class; empty for none
    std::optional<double> deadband;    // in the value's unit; none: the volts' dead band scaled

    // The scaled value's decimals: those given, else the scale's natural ones.
    int decimals() const;
};

struct ChannelSettings {
    std::array<QString, kOutputs> outputNames;  // empty: the panel's own
    std::array<QString, kInputs> inputNames;
    std::array<AnalogChannel, kAnalogInputs> analog;

    // n from 1: the name given, else the panel's own ("Interruttore 3", "Signal In 3",
    // "Ingresso analogico 2").
    QString outputName(int n) const;
    QString inputName(int n) const;
    QString analogName(int n) const;
    // Any name given at all.
    bool named() const;
};

} // namespace card_channels
