#pragma once
// While it lives, a fatal message from Qt, which comes when QApplication cannot
// reach the display or no platform plugin can be initialised, ends the program
// with the program's own explanation on standard error and exit status 2, instead
// of an abort and a core dump. Qt's own warnings before it (which display, which
// plugin) still go to standard error. Meant to live exactly as long as
// QApplication's construction.

#include <QString>

#include <functional>

namespace platform {

class WindowSystemFailureExit {
public:
    // `explain` turns Qt's reason ("could not connect to display :99") into the
    // line the program prints.
    explicit WindowSystemFailureExit(std::function<QString(const QString& reason)> explain);
    ~WindowSystemFailureExit();
    WindowSystemFailureExit(const WindowSystemFailureExit&) = delete;
    WindowSystemFailureExit& operator=(const WindowSystemFailureExit&) = delete;
};

} // namespace platform
