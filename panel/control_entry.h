#pragma once
// One control of a stored window description: what it is, where it sits (in
// twips, inside its container) and how it looks.

#include <QString>
#include <vector>

namespace panel {

enum class ControlKind { Frame, Label, PictureBox, CommandButton, OptionButton, Gauge };

struct FontSpec {
    QString family;        // empty: the window's font
    int points = 0;
    bool italic = false;
    int weight = 400;
};

struct ControlSpec {
    QString name;
    int index = -1;        // member of a control array when >= 0
    ControlKind kind = ControlKind::Label;
    QString container;     // key of the containing frame; empty for the window
    int left = 0, top = 0, width = 0, height = 0;
    QString caption;
    int backColour = -1;   // colour with red in the low byte; -1 keeps the default
    bool border = false;   // single line for labels, sunken 3-D for pictures
    bool centred = false;
    bool selected = false; // option buttons
    QString picture;       // resource path of a stored picture
    QString progId;        // gauges: class of the control to create
    QString accessibleName; // what assistive technology calls it; empty: its caption
    FontSpec font;

    QString key() const { return index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index); }
};

struct MenuSpec {
    QString name, caption;          // the menu on the menu bar
    QString itemName, itemCaption;  // its one item
};

struct FormSpec {
    QString caption;
    MenuSpec menu;
    int timerInterval = 0;          // milliseconds
    int clientWidth = 0, clientHeight = 0;
    int storedLeft = 0, storedTop = 0;
    FontSpec font;
    std::vector<ControlSpec> controls;  // containers come before what they hold
    std::vector<QString> tabOrder;      // keys of the controls a user operates
};

inline QString controlKey(const QString& name, int index)
{
    return QStringLiteral("%1(%2)").arg(name).arg(index);
}

} // namespace panel
