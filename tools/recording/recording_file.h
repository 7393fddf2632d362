#pragma once
// The file a recording goes to (--csv), opened so that nothing already in it is lost by
// accident: a file that holds something is refused unless the user asked to add to it
// (a recording only) or to replace it. Devices, pipes and empty files are written as
// they are; no path means standard output.

#include <string>

enum class ExistingRecording { Refuse, Append, Replace };

struct RecordingFile {
    int fd = -1;
    bool owned = false;        // the descriptor is ours to close
    bool needsHeader = true;   // false when adding to a recording that has its header
    std::string name;          // for messages: the path, or "standard output"
};

enum class RecordingFileOpened { Ready, Refused, Failed };

RecordingFileOpened openRecordingFile(const std::string& path, ExistingRecording existing, RecordingFile& file,
                                      std::string& error);
