#pragma once
// SIGTERM (how a desktop session or a test ends a program), SIGINT and SIGHUP end the
// panel the way its Esci button does, so that the port is closed and its lock file
// removed rather than left behind.

#include <functional>

class QObject;

namespace panel {

// Holds the three signals back from the whole program; call it first in main(),
// before any thread starts. False, with nothing changed, when they cannot be held.
bool hold_termination_signals();

// Calls `end` once from the event loop when one of the held signals arrives.
void on_termination_signal(QObject* context, std::function<void()> end);

} // namespace panel
