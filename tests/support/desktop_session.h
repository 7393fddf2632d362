#pragma once
// A desktop of the test's own: a virtual X server with a window manager on it, for
// tests of what only a window manager does to a window, such as framing it. Both are
// stopped when this goes.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class DesktopSession {
public:
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // True once the X server runs and the window manager manages its screen.
    bool ready() const { return error_.isEmpty(); }
    // Why it is not ready; names the missing program when one is not installed.
    QString error() const { return error_; }
    bool programMissing() const { return missing_; }
    // The display to connect to, ":N".
    QByteArray display() const { return display_; }

private:
    bool startServer();
    bool startWindowManager();

    QTemporaryDir home_;
    QProcess server_;
    QProcess windowManager_;
    QByteArray display_;
    QString error_;
    bool missing_ = false;
};
