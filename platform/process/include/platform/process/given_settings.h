#pragma once
// Settings as they were given, each with where, so that a refusal says where to look:
// "--name" on the command line, or "/etc/pelmora/tank.conf:3" in a configuration file of
// "key = value" lines. The command line wins over the file.

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct GivenValue {
    QString value;
    QString where;  // "--name", or "FILE:LINE"
};

// By key: the long option's name without its dashes ("name", "outputs-at-start").
using GivenSettings = QMap<QString, GivenValue>;

// Reads `path`: one "key = value" a line, '#' starting a comment, blank lines let be; each
// key one of `known`. False with `error` (naming the file, and the line when there is one).
// Keys that `isKnown` takes are let in too (output-9-max-on, so that it is refused for its
// output, not as an unknown key).
bool readSettingsFile(const QString& path, const QStringList& known, GivenSettings& given, QString& error,
                      const std::function<bool(const QString&)>& isKnown = {});

// A flag's value in a file: yes, no, true, false, on, off. Empty when it is none of these.
std::optional<bool> flagValue(const QString& text);
