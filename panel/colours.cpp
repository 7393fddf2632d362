#include "colours.h"

#include <QWidget>

namespace panel {
namespace {
constexpr char kProperty[] = "backColour";
}

QColor qcolor_from_code(int code)
{
    return QColor(code & 0xFF, (code >> 8) & 0xFF, (code >> 16) & 0xFF);
}

void set_back_colour(QWidget* widget, int code)
{
    widget->setProperty(kProperty, code);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, qcolor_from_code(code));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

int back_colour(const QWidget* widget)
{
    const QVariant stored = widget->property(kProperty);
    return stored.isValid() ? stored.toInt() : -1;
}

} // namespace panel
