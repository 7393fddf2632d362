#pragma once
// The card's device as the user named it: Com1..Com4 (any case) is resolved as the panel
// resolves its ports, anything else is taken as a device path.

#include <string>

std::string resolveCardDevice(const std::string& name);
