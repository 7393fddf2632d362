#pragma once
// A time limit of any length on the event loop. Qt's timers take at most an int of
// milliseconds (under 25 days), so a longer limit is waited for in shorter steps towards
// one deadline.

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

class LongTimeout : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kLongestStep{std::chrono::hours(24)};

    explicit LongTimeout(QObject* parent = nullptr);
    void start(std::chrono::milliseconds limit);

signals:
    void expired();

private:
    void step();

    QDeadlineTimer deadline_;
    QTimer timer_;
};
