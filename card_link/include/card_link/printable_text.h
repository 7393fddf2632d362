#pragma once
// Words that came from the network (a server's refusal, a message's payload), made fit to
// show on a terminal or in a window: read as UTF-8 where they are valid UTF-8, else byte
// for byte; runs of white space made one space; every other character that is not
// printable (terminal control sequences start with one) replaced by '?'; cut to `limit`
// characters, with "..." where cut. Shown as plain text, never as rich text.

#include <QByteArray>
#include <QString>

namespace card_link {

QString printableText(const QByteArray& bytes, int limit);

} // namespace card_link
