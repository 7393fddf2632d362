#pragma once
// What a run of the test suite may leave behind on the machine: serial lock files
// in /run/lock, processes still running, X server files in /tmp, and files in the
// run's own temporary folder. Taken once before the run and once after it; only
// what is new and belongs to the run counts, so that other users' programs and
// anything already there are left out.

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

struct RunMarks {
    QString temporaryFolder;  // every test runs with TMPDIR set to it
    QString programFolder;    // where the built programs are
};

// What was there when the run began.
struct Traces {
    QSet<QString> lockFiles;   // names in /run/lock
    QSet<QString> processes;   // "<pid>:<start time>"
    QSet<QString> xFiles;      // X server locks and sockets under /tmp
};

Traces takeTraces();

// One line per thing left behind by the run, given what was there before it.
QStringList leftovers(const Traces& before, const RunMarks& marks);

// Traces kept between the snapshot and the check, as lines of text.
QByteArray toText(const Traces& traces);
Traces fromText(const QByteArray& text);
