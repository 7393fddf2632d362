#pragma once
// What the user reads when the card's port cannot be used, or when its line is not
// as asked: one line of Italian for each problem, with what to do where there is
// something to do. The panel shows it in its message box, the tap on its terminal.

#include "card_link/port_problem.h"

#include <QString>

namespace panel {

QString portMessage(const card_link::PortProblem& problem);

// A COM-PORT-OPTION setting in words: "velocità 9600".
QString settingWords(unsigned char command);

} // namespace panel
