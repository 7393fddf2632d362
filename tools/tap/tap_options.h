#pragma once
// Command line of pelmora-tap: forwarding between the panel and a card (with the panel started
// by the tap, a dated recording and a live chart if asked), or plotting a recording.

#include <string>
#include <vector>

struct TapOptions {
    std::string device;      // the card's device: Com1..Com4 or a path; Com1 when --panel names none
    std::string linkPath;    // symlink to the panel's end, empty for none
    std::string csvPath;     // empty: the recording goes to standard output
    bool append = false;     // --append: add to an existing recording in csvPath
    bool force = false;      // --force: replace an existing csvPath or outPath
    bool record = false;     // --record: a new dated file in the documents folder
    bool panel = false;      // --panel: start the panel on the tap's end and end with it
    bool live = false;       // --live: show the frames in a window as they pass
    int windowSeconds = 60;  // --window: how far back the live chart goes
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
