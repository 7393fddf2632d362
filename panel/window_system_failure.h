#pragma once
// While it lives, a fatal message from Qt, which comes when QApplication cannot
// reach the display or no platform plugin can be initialised, ends the program
// with a message and exit status 2 instead of an abort and a core dump. Qt's own
// warnings before it (which display, which plugin) still go to standard error.
// Meant to live exactly as long as QApplication's construction.

namespace panel {

class WindowSystemFailureExit {
public:
    WindowSystemFailureExit();
    ~WindowSystemFailureExit();
    WindowSystemFailureExit(const WindowSystemFailureExit&) = delete;
    WindowSystemFailureExit& operator=(const WindowSystemFailureExit&) = delete;
};

} // namespace panel
