#include "colours.h"

#include <QWidget>

namespace panel {
namespace {
constexpr char kProperty[] = "backColour";
}

QColor qcolorFromCode(int code)
{
    return QColor(code & 0xFF, (code >> 8) & 0xFF, (code >> 16) & 0xFF);
}

void setBackColour(QWidget* widget, int code)
{
    widget->setProperty(kProperty, code);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, qcolorFromCode(code));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

int backColourOf(const QWidget* widget)
{
    const QVariant stored = widget->property(kProperty);
    return stored.isValid() ? stored.toInt() : -1;
}

} // namespace panel
