#include "outputs_writer.h"

OutputsWriter::OutputsWriter(const OutputsFile& file, std::function<void(const QString&)> say, QObject* parent)
    : QObject(parent), file_(file), say_(std::move(say))
{
    later_.setSingleShot(true);
    connect(&later_, &QTimer::timeout, this, &OutputsWriter::flush);
}

void OutputsWriter::offer(const card_safety::KeptOutputs& outputs)
{
    // The same outputs told twice (a change and its deadline) are one write, not two.
    const QByteArray text = card_safety::formatKeptOutputs(outputs);
    if (text == (waiting_ ? card_safety::formatKeptOutputs(*waiting_) : written_))
        return;
    const auto now = Clock::now();
    if (!writtenAt_ || now - *writtenAt_ >= kAtMostEvery) {
        later_.stop();
        waiting_.reset();
        write(outputs);
        return;
    }
    waiting_ = outputs;
    if (!later_.isActive())
        later_.start(std::chrono::ceil<std::chrono::milliseconds>(*writtenAt_ + kAtMostEvery - now));
}

void OutputsWriter::flush()
{
    later_.stop();
    if (const std::optional<card_safety::KeptOutputs> outputs = std::exchange(waiting_, std::nullopt))
        write(*outputs);
}

void OutputsWriter::write(const card_safety::KeptOutputs& outputs)
{
    writtenAt_ = Clock::now();
    written_ = card_safety::formatKeptOutputs(outputs);
    ++writes_;
    QString problem;
    if (!file_.write(outputs, problem) && !std::exchange(failureSaid_, true))
        say_(problem + QStringLiteral("; the outputs will not be restored"));
}
