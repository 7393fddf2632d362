#pragma once
// A message written once per language with named places, "{port} non esiste", filled in
// one pass: a value that itself holds "{...}" (a server's words, say) is never filled again.

#include <QHash>
#include <QString>

namespace card_link {

using MessageValues = QHash<QString, QString>;

// `text` with each "{name}" replaced by its value; a name without a value is left as written.
QString fillTemplate(const char* text, const MessageValues& values);

} // namespace card_link
