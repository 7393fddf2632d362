#include "form_builder.h"

#include "colours.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace panel {
namespace {

QFont fontFor(const FontSpec& entry, const QFont& inherited)
{
    if (entry.family.isEmpty())
        return inherited;
    QFont font(entry.family, entry.points);
    font.setItalic(entry.italic);
    font.setWeight(static_cast<QFont::Weight>(entry.weight));
    return font;
}

QLabel* makeLabel(const ControlSpec& entry, QWidget* parent)
{
    auto* label = new QLabel(entry.caption, parent);
    if (entry.border)
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
    if (entry.centred)
        label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    if (entry.backColour >= 0)
        setBackColour(label, entry.backColour);
    return label;
}

QLabel* makePicture(const ControlSpec& entry, QWidget* parent)
{
    auto* picture = new QLabel(parent);
    picture->setPixmap(QPixmap(entry.picture));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (entry.border) {
        picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        picture->setLineWidth(2);
    }
    picture->setBackgroundRole(QPalette::Base);
    picture->setAutoFillBackground(true);
    return picture;
}

QWidget* makeGauge(const ControlSpec& entry, QWidget* parent, BuiltForm& built)
{
    QString error;
    std::shared_ptr<platform::HostedControl> gauge = platform::createControl(entry.progId, parent, &error);
    if (!gauge) {
        built.problems << QStringLiteral("%1: %2").arg(entry.key(), error);
        auto* missing = new QLabel(QStringLiteral("%1\n%2").arg(entry.progId, error), parent);
        missing->setWordWrap(true);
        return missing;
    }
    built.gauges.insert(entry.key(), gauge);
    return gauge->widget();
}

QWidget* makeControl(const ControlSpec& entry, QWidget* parent, BuiltForm& built)
{
    switch (entry.kind) {
    case ControlKind::Frame: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        return frame;
    }
    case ControlKind::Label:
        return makeLabel(entry, parent);
    case ControlKind::PictureBox:
        return makePicture(entry, parent);
    case ControlKind::CommandButton: {
        auto* button = new QPushButton(entry.caption, parent);
        button->setAutoDefault(false);
        button->setDefault(false);
        return button;
    }
    case ControlKind::OptionButton: {
        auto* option = new QRadioButton(entry.caption, parent);
        option->setChecked(entry.selected);
        return option;
    }
    case ControlKind::Gauge:
        return makeGauge(entry, parent, built);
    }
    return nullptr;
}

} // namespace

BuiltForm buildForm(const FormSpec& form, QWidget* client)
{
    BuiltForm built;
    client->setFont(fontFor(form.font, client->font()));
    for (const ControlSpec& entry : form.controls) {
        QWidget* parent = entry.container.isEmpty() ? client : built.widgets.value(entry.container, client);
        QWidget* widget = makeControl(entry, parent, built);
        widget->setObjectName(entry.key());
        if (!entry.accessibleName.isEmpty())
            widget->setAccessibleName(entry.accessibleName);
        if (!entry.font.family.isEmpty())
            widget->setFont(fontFor(entry.font, parent->font()));
        widget->setGeometry(pixels(entry.left), pixels(entry.top), pixels(entry.width), pixels(entry.height));
        built.widgets.insert(entry.key(), widget);
    }
    for (int i = 1; i < static_cast<int>(form.tabOrder.size()); ++i)
        QWidget::setTabOrder(built.widgets.value(form.tabOrder[i - 1]), built.widgets.value(form.tabOrder[i]));
    // The window opens with the focus on the first control of the keyboard order.
    if (!form.tabOrder.empty())
        if (QWidget* first = built.widgets.value(form.tabOrder.front()))
            first->setFocus();
    return built;
}

} // namespace panel
