#pragma once
// Which panel program the tap starts: `pelmora` in the folder of the tap's own executable
// when there is one (so an unpacked or built copy starts the panel beside it), otherwise
// the first `pelmora` on PATH. Empty, with `error` saying where it looked, when there is none.

#include <string>

std::string findPanelProgram(std::string& error);

// The same, with the tap's folder and PATH given.
std::string findPanelProgram(const std::string& ownFolder, const std::string& path, std::string& error);
