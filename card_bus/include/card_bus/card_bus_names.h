#pragma once
// Where a running panel is found on the session bus, and the names of its interface,
// properties and errors (io.github.pelmora.Card1.xml describes them).

#include <QString>

namespace card_bus {

// Owned by the first panel; the next in line takes it over when that one ends.
inline constexpr QLatin1StringView kServiceName("io.github.pelmora.pelmora");
// Every panel also owns kServiceName + ".p<PID>", so several can be told apart.
inline constexpr QLatin1StringView kInstancePrefix("io.github.pelmora.pelmora.p");
inline constexpr QLatin1StringView kObjectPath("/io/github/pelmora/Card1");
inline constexpr QLatin1StringView kInterface("io.github.pelmora.Card1");
inline constexpr QLatin1StringView kPropertiesInterface("org.freedesktop.DBus.Properties");

inline constexpr QLatin1StringView kOutputs("Outputs");
inline constexpr QLatin1StringView kInputs("Inputs");
inline constexpr QLatin1StringView kAnalog1Volts("Analog1Volts");
inline constexpr QLatin1StringView kAnalog2Volts("Analog2Volts");
inline constexpr QLatin1StringView kAnalog1Raw("Analog1Raw");
inline constexpr QLatin1StringView kAnalog2Raw("Analog2Raw");
inline constexpr QLatin1StringView kPort("Port");
inline constexpr QLatin1StringView kDevice("Device");
inline constexpr QLatin1StringView kConnected("Connected");

inline constexpr QLatin1StringView kInvalidOutput("io.github.pelmora.Card1.Error.InvalidOutput");
inline constexpr QLatin1StringView kInvalidMask("io.github.pelmora.Card1.Error.InvalidMask");
inline constexpr QLatin1StringView kInvalidArgs("org.freedesktop.DBus.Error.InvalidArgs");

} // namespace card_bus
