#pragma once
// Where a running panel or service is found on a bus, and the names of its interface,
// properties and errors (io.github.pelmora.Card1.xml describes them).

#include <QString>

namespace card_bus {

// Owned by the first panel on a session bus; the next in line takes it over when that one ends.
inline constexpr QLatin1StringView kServiceName("io.github.pelmora.pelmora");
// Every panel also owns kServiceName + ".p<PID>", so several can be told apart.
inline constexpr QLatin1StringView kInstancePrefix("io.github.pelmora.pelmora.p");
// A service owns kServicePrefix + its card's name (see serviceBusName).
inline constexpr QLatin1StringView kServicePrefix("io.github.pelmora.pelmorad.");
inline constexpr QLatin1StringView kObjectPath("/io/github/pelmora/Card1");
inline constexpr QLatin1StringView kInterface("io.github.pelmora.Card1");
inline constexpr QLatin1StringView kPropertiesInterface("org.freedesktop.DBus.Properties");

inline constexpr QLatin1StringView kName("Name");
inline constexpr QLatin1StringView kOutputs("Outputs");
inline constexpr QLatin1StringView kInputs("Inputs");
inline constexpr QLatin1StringView kAnalog1Volts("Analog1Volts");
inline constexpr QLatin1StringView kAnalog2Volts("Analog2Volts");
inline constexpr QLatin1StringView kAnalog1Raw("Analog1Raw");
inline constexpr QLatin1StringView kAnalog2Raw("Analog2Raw");
inline constexpr QLatin1StringView kPort("Port");
inline constexpr QLatin1StringView kDevice("Device");
inline constexpr QLatin1StringView kConnected("Connected");
inline constexpr QLatin1StringView kOffIn("OffIn");
inline constexpr QLatin1StringView kSafeState("SafeState");

inline constexpr QLatin1StringView kInvalidOutput("io.github.pelmora.Card1.Error.InvalidOutput");
inline constexpr QLatin1StringView kInvalidMask("io.github.pelmora.Card1.Error.InvalidMask");
inline constexpr QLatin1StringView kNotConnected("io.github.pelmora.Card1.Error.NotConnected");
inline constexpr QLatin1StringView kInvalidArgs("org.freedesktop.DBus.Error.InvalidArgs");
inline constexpr QLatin1StringView kUnknownMethod("org.freedesktop.DBus.Error.UnknownMethod");
inline constexpr QLatin1StringView kUnknownProperty("org.freedesktop.DBus.Error.UnknownProperty");
inline constexpr QLatin1StringView kUnknownInterface("org.freedesktop.DBus.Error.UnknownInterface");
inline constexpr QLatin1StringView kPropertyReadOnly("org.freedesktop.DBus.Error.PropertyReadOnly");

// The bus name of the service that holds the card named `cardName` (letters, digits, '-'
// and '_'): kServicePrefix + the name, with '_' before a name that starts with a digit,
// which a bus name's part may not.
inline QString serviceBusName(const QString& cardName)
{
    const bool digitFirst = !cardName.isEmpty() && cardName.front().isDigit();
    return kServicePrefix + (digitFirst ? QStringLiteral("_") : QString()) + cardName;
}

} // namespace card_bus
