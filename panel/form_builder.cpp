#include "form_builder.h"

#include "colours.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace panel {
namespace {

QFont font_for(const FontSpec& spec, const QFont& inherited)
{
    if (spec.family.isEmpty())
        return inherited;
    QFont font(spec.family, spec.points);
    font.setItalic(spec.italic);
    font.setWeight(static_cast<QFont::Weight>(spec.weight));
    return font;
}

QLabel* make_label(const ControlSpec& spec, QWidget* parent)
{
    auto* label = new QLabel(spec.caption, parent);
    if (spec.border)
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
    if (spec.centred)
        label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    if (spec.backColour >= 0)
        set_back_colour(label, spec.backColour);
    return label;
}

QLabel* make_picture(const ControlSpec& spec, QWidget* parent)
{
    auto* picture = new QLabel(parent);
    picture->setPixmap(QPixmap(spec.picture));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (spec.border) {
        picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        picture->setLineWidth(2);
    }
    picture->setBackgroundRole(QPalette::Base);
    picture->setAutoFillBackground(true);
    return picture;
}

QWidget* make_gauge(const ControlSpec& spec, QWidget* parent, BuiltForm& built)
{
    QString error;
    std::shared_ptr<platform::HostedControl> gauge = platform::createControl(spec.progId, parent, &error);
    if (!gauge) {
        built.problems << QStringLiteral("%1: %2").arg(spec.key(), error);
        auto* missing = new QLabel(QStringLiteral("%1\n%2").arg(spec.progId, error), parent);
        missing->setWordWrap(true);
        return missing;
    }
    built.gauges.insert(spec.key(), gauge);
    return gauge->widget();
}

QWidget* make_control(const ControlSpec& spec, QWidget* parent, BuiltForm& built)
{
    switch (spec.kind) {
    case ControlKind::Frame: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        return frame;
    }
    case ControlKind::Label:
        return make_label(spec, parent);
    case ControlKind::PictureBox:
        return make_picture(spec, parent);
    case ControlKind::CommandButton: {
        auto* button = new QPushButton(spec.caption, parent);
        button->setAutoDefault(false);
        button->setDefault(false);
        return button;
    }
    case ControlKind::OptionButton: {
        auto* option = new QRadioButton(spec.caption, parent);
        option->setChecked(spec.selected);
        return option;
    }
    case ControlKind::Gauge:
        return make_gauge(spec, parent, built);
    }
    return nullptr;
}

} // namespace

BuiltForm build_form(const FormSpec& form, QWidget* client)
{
    BuiltForm built;
    client->setFont(font_for(form.font, client->font()));
    for (const ControlSpec& spec : form.controls) {
        QWidget* parent = spec.container.isEmpty() ? client : built.widgets.value(spec.container, client);
        QWidget* widget = make_control(spec, parent, built);
        widget->setObjectName(spec.key());
        if (!spec.font.family.isEmpty())
            widget->setFont(font_for(spec.font, parent->font()));
        widget->setGeometry(pixels(spec.left), pixels(spec.top), pixels(spec.width), pixels(spec.height));
        built.widgets.insert(spec.key(), widget);
    }
    for (int i = 1; i < static_cast<int>(form.tabOrder.size()); ++i)
        QWidget::setTabOrder(built.widgets.value(form.tabOrder[i - 1]), built.widgets.value(form.tabOrder[i]));
    return built;
}

} // namespace panel
