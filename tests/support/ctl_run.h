#pragma once
// pelmora-ctl run to its end, as a script runs it, with the event loop running meanwhile
// so that a panel or service in the test's own process answers it.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

inline const QString kCtl = QStringLiteral(PELMORA_BIN_DIR "/pelmora-ctl");

struct CtlRun {
    int status = -1;  // -1 when it did not end by itself within the time
    QString out;
    QString err;
};

// Runs `program` (pelmora-ctl unless another is named, such as runuser) for at most timeoutMs.
CtlRun runCtl(const QStringList& arguments, int timeoutMs = 15000, const QString& program = kCtl);
