#pragma once
// Whether a manual page (roff source) names every option that a program's --help names.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

// The long options named in `text`: "--" and the letters, digits and dashes after it.
inline std::set<std::string> longOptions(const std::string& text)
{
    std::set<std::string> options;
    for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
        std::size_t end = at + 2;
        while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-'))
            ++end;
        if (end > at + 2)
            options.insert(text.substr(at, end - at));
        at = end - 2;
    }
    return options;
}

inline void expectManualListsOptions(const char* manualPath, const std::string& usage, std::size_t atLeast)
{
    std::ifstream file(manualPath);
    const std::string manual((std::istreambuf_iterator<char>(file)), {});
    ASSERT_FALSE(manual.empty()) << manualPath;
    const std::set<std::string> options = longOptions(usage);
    EXPECT_GE(options.size(), atLeast);
    for (const std::string& option : options) {
        std::string escaped;  // roff writes a dash as \-
        for (char c : option)
            escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(manual.find(escaped), std::string::npos) << option;
    }
}
