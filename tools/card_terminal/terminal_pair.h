#pragma once
// A new pseudo-terminal pair for a program that opens the slave as if it were a serial
// device: the master, non-blocking and not inherited by child programs, and the slave
// opened and set raw at 9600 baud, so that nothing is echoed or changed before the
// program has set the line itself.

#include <string>

struct TerminalPair {
    int master = -1;
    int slave = -1;
    std::string slavePath;
};

// False with `error` (and nothing left open) when the pair cannot be had.
bool openTerminalPair(TerminalPair& pair, std::string& error);
