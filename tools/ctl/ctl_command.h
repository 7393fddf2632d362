#pragma once
// The command line of pelmora-ctl: what to do, to which card, and how to print it.

#include "card_bus/output_arguments.h"

#include <QString>
#include <QStringList>

struct CtlCommand {
    enum class Kind { Get, Set, Mask, Watch, Wait, List, Heartbeat };
    Kind kind = Kind::Get;
    bool json = false;       // --json: JSON instead of a line of text
    QString device;          // --device: the card on this device
    QString name;            // --name: the card of this name
    int output = 0;          // set: 1 to 8; wait: the input, 1 to 8
    card_bus::OutputState state = card_bus::OutputState::On;  // set; wait: On or Off
    int mask = 0;            // mask
    double timeoutSeconds = -1;  // wait --timeout; negative: no limit
};

struct ParsedCtlCommand {
    CtlCommand command;
    bool showHelp = false;
    bool showVersion = false;
    QString error;  // a usage error, for standard error; exit status 2
};

// arguments[0] is the program.
ParsedCtlCommand parseCtlCommand(const QStringList& arguments);

QString ctlUsage();
