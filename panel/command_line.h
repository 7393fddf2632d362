#pragma once
// The panel's command line: --help, --version and an optional device to open as
// Com1; Qt's own options (-platform offscreen, -style Fusion, -display :1, ...) are
// let through for QApplication. Read before any display is needed.

#include <QString>
#include <QStringList>

namespace panel {

struct CommandLine {
    enum class Action { Run, Help, Version, Refused };
    Action action = Action::Run;
    QString device;  // opened as Com1 when not empty, as PELMORA_COM1 would be
    QString error;   // why the command line was refused, in Italian
};

// `arguments` as the program received them, its own name first.
CommandLine parseCommandLine(const QStringList& arguments);

// What --help prints.
QString usageText();

} // namespace panel
