#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A 128-bit identifier. The bytes are held in the order they are written in text:
// one 32-bit group, two 16-bit groups, then eight single bytes.
struct Guid {
    std::array<std::uint8_t, 16> bytes{};

    constexpr Guid() = default;
    constexpr Guid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3,
                   std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                   std::uint8_t b4, std::uint8_t b5, std::uint8_t b6, std::uint8_t b7)
        : bytes{std::uint8_t(d1 >> 24), std::uint8_t(d1 >> 16), std::uint8_t(d1 >> 8), std::uint8_t(d1),
                std::uint8_t(d2 >> 8), std::uint8_t(d2), std::uint8_t(d3 >> 8), std::uint8_t(d3),
                b0, b1, b2, b3, b4, b5, b6, b7}
    {
    }

    constexpr bool isNull() const
    {
        for (auto b : bytes)
            if (b != 0)
                return false;
        return true;
    }

    // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", lower-case hex.
    std::string toString() const
    {
        constexpr char hex[] = "0123456789abcdef";
        std::string text = "{";
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10)
                text += '-';
            text += hex[bytes[i] >> 4];
            text += hex[bytes[i] & 0x0f];
        }
        text += '}';
        return text;
    }

    // Accepts the form toString() writes, with or without the braces, in either case.
    static constexpr std::optional<Guid> fromString(std::string_view text)
    {
        if (text.size() == 38 && text.front() == '{' && text.back() == '}')
            text = text.substr(1, 36);
        if (text.size() != 36)
            return std::nullopt;
        Guid id;
        std::size_t pos = 0;
        for (std::size_t i = 0; i < 16; ++i) {
            if (pos == 8 || pos == 13 || pos == 18 || pos == 23) {
                if (text[pos] != '-')
                    return std::nullopt;
                ++pos;
            }
            const int high = hexValue(text[pos]);
            const int low = hexValue(text[pos + 1]);
            if (high < 0 || low < 0)
                return std::nullopt;
            id.bytes[i] = std::uint8_t(high * 16 + low);
            pos += 2;
        }
        return id;
    }

    friend constexpr bool operator==(const Guid& a, const Guid& b)
    {
        for (std::size_t i = 0; i < a.bytes.size(); ++i)
            if (a.bytes[i] != b.bytes[i])
                return false;
        return true;
    }
    friend constexpr bool operator!=(const Guid& a, const Guid& b) { return !(a == b); }

private:
    static constexpr int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }
};

} // namespace platform
