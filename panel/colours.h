#pragma once
// Colours as the window description stores them: red in the low byte, green in
// the middle, blue in the high byte. A widget's stored colour is kept beside its
// palette so it reads back exactly as it was set.

#include <QColor>

class QWidget;

namespace panel {

QColor qcolorFromCode(int code);
void setBackColour(QWidget* widget, int code);
// The stored colour; -1 when the widget still shows its default background.
int backColourOf(const QWidget* widget);

} // namespace panel
