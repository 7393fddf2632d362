#pragma once
// Helpers for window tests: answer message boxes the way a user would, counting them
// (runEventsFor comes with the process helpers).

#include "card_and_panel_processes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

// Presses OK on every modal message box that appears while it lives.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                titles << box->windowTitle();
                texts << box->text();
                details << box->informativeText();
                const QList<QLabel*> labels = box->findChildren<QLabel*>();
                plainDetails << std::all_of(labels.cbegin(), labels.cend(), [box](const QLabel* label) {
                    return label->text() != box->informativeText() || label->textFormat() == Qt::PlainText;
                });
                icons << box->icon();
                buttons << box->buttons().size();
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start();
    }
    int count() const { return static_cast<int>(titles.size()); }

    QStringList titles, texts, details;
    // Whether the detail was shown as plain text.
    QList<bool> plainDetails;
    QList<QMessageBox::Icon> icons;
    QList<qsizetype> buttons;

private:
    QTimer timer_;
};
