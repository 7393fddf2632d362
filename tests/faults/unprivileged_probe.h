#pragma once
// Runs the refusal probe (the window on its own, answering its message boxes) as
// an ordinary user: as nobody when the tests run as root, who may open anything,
// else as the user running them. For nobody, the probe and the gauge library are
// first copied to a folder of their own that nobody can reach, wherever the build
// is (a clone in a 0700 home folder, say); the copy goes with this object.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct ProbeRun {
    bool finished = false;   // ended by itself within 20 s
    QStringList details;     // the extra line of each "ERRORE" box
    QString port;            // "<number>\t<open>"
    QString standardError;
};

class UnprivilegedProbe {
public:
    UnprivilegedProbe();

    // Why the probe cannot run as another user; empty when it can, or when the
    // tests do not run as root and it runs as their own user.
    QString unavailable() const { return unavailable_; }
    // True when the probe runs as a user other than the one running the tests.
    bool asAnotherUser() const;

    // The window with Com1 and Com2 naming the given devices, polling for `ms`.
    ProbeRun run(const QString& com1, const QString& com2, int ms = 600);

private:
    QString unavailable_;
    QTemporaryDir home_;
    QTemporaryDir programs_;
    QString program_;
};
