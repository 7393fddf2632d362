#include "live_window.h"

#include "live_values.h"
#include "chart_colours.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QVBoxLayout>

#include <utility>

LiveWindow::LiveWindow(const QString& device, double windowSeconds, LiveFeed& feed, std::function<void()> closed)
    : trace_(windowSeconds),
      chart_(new LiveChart(trace_)),
      closed_(std::move(closed)),
      updater_(feed, trace_, [this] { showValues(); })
{
    setWindowTitle(QStringLiteral("%1 — pelmora-tap live").arg(device));
    auto* values = new QGridLayout;
    analogue1_ = value(QStringLiteral("Analogue 1"), QStringLiteral("analogue1"));
    analogue2_ = value(QStringLiteral("Analogue 2"), QStringLiteral("analogue2"));
    outputs_ = value(QStringLiteral("Outputs 1–8"), QStringLiteral("outputs"));
    inputs_ = value(QStringLiteral("Inputs 1–8"), QStringLiteral("inputs"));
    const QList<QPair<QLabel*, QColor>> shown{{analogue1_, chart_colours::kAnalogue1},
                                              {analogue2_, chart_colours::kAnalogue2},
                                              {outputs_, chart_colours::kOutputs.darker(130)},
                                              {inputs_, chart_colours::kInputs.darker(130)}};
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int column = 0; column < shown.size(); ++column) {
        QLabel* label = shown[column].first;
        QFont font = fixed;
        font.setPointSizeF(font.pointSizeF() * 1.4);
        font.setBold(true);
        label->setFont(font);
        label->setStyleSheet(QStringLiteral("color: %1").arg(shown[column].second.name()));
        auto* name = new QLabel(label->accessibleName());
        name->setBuddy(label);
        values->addWidget(name, 0, column);
        values->addWidget(label, 1, column);
    }
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(values);
    layout->addWidget(status_);
    layout->addWidget(chart_, 1);
    showValues();
}

QLabel* LiveWindow::value(const QString& name, const QString& objectName)
{
    auto* label = new QLabel;
    label->setObjectName(objectName);
    label->setAccessibleName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

void LiveWindow::showValues()
{
    LiveValues now = liveValues(trace_);
    if (updater_.leftOut() > 0)
        now.status += QStringLiteral(" %1 frames were left out of the chart while it fell behind (none of the recording).")
                          .arg(updater_.leftOut());
    // Labels whose text is the same are left alone, so only what changed is drawn again.
    for (const auto& [label, text] : {std::pair{analogue1_, now.analogue1}, std::pair{analogue2_, now.analogue2},
                                      std::pair{outputs_, now.outputs}, std::pair{inputs_, now.inputs},
                                      std::pair{status_, now.status}}) {
        if (label->text() != text)
            label->setText(text);
    }
    chart_->update();
}

void LiveWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    // Only the user's close is told; the one that ending the tap brings is not news.
    if (event->spontaneous() && closed_)
        std::exchange(closed_, nullptr)();
}
