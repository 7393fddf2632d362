#pragma once
// What the user reads when the card's port cannot be used, when its line is not as asked,
// or when the card stops or starts answering: one line for each, with what to do where
// there is something to do. The panel speaks Italian, in its message box and on its
// standard error; the tools and the service speak English on theirs.

#include "card_link/card_watch.h"
#include "card_link/port_problem.h"

#include <QString>

namespace card_link {

enum class Language { Italian, English };

QString portMessage(const PortProblem& problem, Language language = Language::Italian);

// Why a port cannot be had, in a word or two of English, for a status line: "missing",
// "not permitted", "connection refused"; "connecting" when nothing is known yet.
QString shortReason(const PortProblem& problem);

// A COM-PORT-OPTION setting in words: "velocità 9600", "9600 baud".
QString settingWords(unsigned char command, Language language = Language::Italian);

// The line that tells a change of the card's answers; empty for Change::None. `port` says
// which port and device, for example "Com1 (/dev/ttyUSB0)".
QString changeLine(CardWatch::Change change, const QString& port, Language language = Language::Italian);

} // namespace card_link
