#pragma once
// Keeps the outputs in their file as they change, without rewriting it at every change: the
// first change after a quiet second is written at once, later ones at most once a second
// (the newest of them), and whatever still waits is written by flush() at a clean stop. A
// file that cannot be written is said once.

#include "outputs_file.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class OutputsWriter : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kAtMostEvery{1};

    OutputsWriter(const OutputsFile& file, std::function<void(const QString&)> say, QObject* parent = nullptr);
    ~OutputsWriter() override { flush(); }

    void offer(const card_safety::KeptOutputs& outputs);
    void flush();
    // How many times the file has been written.
    int writes() const { return writes_; }

private:
    void write(const card_safety::KeptOutputs& outputs);

    const OutputsFile& file_;
    std::function<void(const QString&)> say_;
    QTimer later_;
    std::optional<card_safety::KeptOutputs> waiting_;
    std::optional<Clock::time_point> writtenAt_;
    QByteArray written_;  // as the file holds it
    bool failureSaid_ = false;
    int writes_ = 0;
};
