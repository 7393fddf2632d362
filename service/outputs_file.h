#pragma once
// The outputs of a card's last run, kept for --outputs-at-start restore and for the times
// of timed outputs: one file a card, NAME.state, holding "outputs=0x81" and a line for each
// timed output that is on (card_safety/kept_outputs.h), written whole (a new file renamed
// over the old, so that a power cut leaves the old or the new, never half).

#include "card_safety/kept_outputs.h"

#include <QString>

#include <optional>

class OutputsFile {
public:
    explicit OutputsFile(QString path) : path_(std::move(path)) {}

    // Where a card's file lives: $STATE_DIRECTORY (set by systemd's StateDirectory=) when it
    // is set, else $XDG_STATE_HOME/pelmora, else ~/.local/state/pelmora.
    static QString pathFor(const QString& cardName);

    const QString& path() const { return path_; }
    // The outputs kept; nothing when there is no file yet, or with `problem` when it cannot
    // be read or holds something else.
    std::optional<card_safety::KeptOutputs> read(QString& problem) const;
    // False with `problem` when the file cannot be written.
    bool write(const card_safety::KeptOutputs& outputs, QString& problem) const;

private:
    QString path_;
};
