#pragma once
// The card's device as the user named it, resolved as the panel resolves its ports:
// Com1..Com4 (any case) is the device of that port, any other name is a device named as
// the panel names one (a bare name is under /dev). Empty, with `problem` saying why,
// when a ComN has no device.

#include <string>

std::string resolveCardDevice(const std::string& name, std::string& problem);
