#pragma once
// The safety settings among those given (card_safety/safety_options.h names the keys): each
// read with where it was given, then checked together, a refusal saying where to look.

#include "safety_settings.h"

#include "platform/process/given_settings.h"

#include <QString>
#include <QStringList>

namespace card_safety {

// Every safety key as a command line's option and a file's key takes it: output-1-max-on to
// output-8-max-on, and so on.
const QStringList& safetyOptionKeys();

// Empty when they are good, else "WHERE: what is wrong".
QString settleSafety(const GivenSettings& given, SafetySettings& safety);

} // namespace card_safety
