#pragma once
// Where --record puts a recording: a new file pelmora-YYYYMMDD-HHMMSS.csv (local time) in
// the folder Pelmora of the user's documents folder, as XDG names it (XDG_DOCUMENTS_DIR in
// ~/.config/user-dirs.dirs, else ~/Documents), made when missing. A file already there
// is never touched: a second recording in the same second gets -2, -3, ... after the time.

#include "recording_file.h"

#include <cstdint>
#include <string>

// The folder: Pelmora in the documents folder.
std::string recordingFolder();

// Makes `folder` if it is missing and creates a new recording in it named after `wallUs`.
bool openDatedRecording(const std::string& folder, std::int64_t wallUs, RecordingFile& file, std::string& error);
