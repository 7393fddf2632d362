#pragma once
// The safety settings as keys of a configuration file (and options of a command line, with
// "--"), N being an output, 1 to 8:
//   output-N-at-start = off | on | restore    output-N-max-on = DURATION
//   output-N-safe = off | on | keep           interlock = 1,2 3,4
//   interlock-wait = DURATION (or 0)          safe-when-broker-lost = DURATION
//   safe-when-ha-offline = DURATION           safe-when-silent = DURATION
//   safe-at-stop = yes | no
// Each key is read alone; checkSafety (safety_check.h) then looks at them together.

#include "safety_settings.h"

#include <QString>
#include <QStringList>

namespace card_safety {

// The keys as a usage text names them: "output-N-at-start", ..., "safe-at-stop".
const QStringList& safetyKeys();

// Whether `key` is one of the keys above. Any digits stand for N here, so that
// "output-9-max-on" reaches readSafetyOption and is refused there for its output.
bool isSafetyKey(const QString& key);

// Reads the option `key` (isSafetyKey) with its value into `settings`; empty when it is
// good, else what is wrong with it, in English ("there is no output 9: outputs are 1 to 8").
QString readSafetyOption(const QString& key, const QString& value, SafetySettings& settings);

} // namespace card_safety
