#pragma once
// Command line of pelmora-tap: forwarding between the panel and a card, or plotting a recording.

#include <string>
#include <vector>

struct TapOptions {
    std::string device;      // the card's device: Com1..Com4 or a path
    std::string linkPath;    // symlink to the panel's end, empty for none
    std::string csvPath;     // empty: the recording goes to standard output
    bool append = false;     // --append: add to an existing recording in csvPath
    bool force = false;      // --force: replace an existing csvPath or outPath
    std::string plotPath;    // a recording to plot instead of forwarding
    std::string outPath;     // the picture the plot is written to
    int width = 1280;
    int height = 800;
};

struct ParsedTapOptions {
    TapOptions options;
    bool showHelp = false;
    std::string error;       // non-empty when the command line is not valid
};

ParsedTapOptions parseTapOptions(const std::vector<std::string>& args);

std::string tapUsage(const std::string& programName);
