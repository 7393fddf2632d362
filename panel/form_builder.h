#pragma once
// Turns a stored window description into Qt widgets, at 15 twips per pixel.

#include "control_entry.h"

#include "platform/control_host.h"

#include <QHash>
#include <memory>
#include <vector>

class QWidget;

namespace panel {

inline constexpr int kTwipsPerPixel = 15;
inline int pixels(int twips) { return twips / kTwipsPerPixel; }

struct BuiltForm {
    QHash<QString, QWidget*> widgets;                             // by key, "onoff(3)"
    QHash<QString, std::shared_ptr<platform::HostedControl>> gauges;
    QStringList problems;                                         // controls that could not be made
};

// Builds every control of `form` on `client`, the window's client area.
BuiltForm buildForm(const FormSpec& form, QWidget* client);

} // namespace panel
