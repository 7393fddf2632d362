#pragma once
// The pseudo-terminal the card talks on: the master is ours, the panel opens the slave.

#include <string>

class CardTerminal {
public:
    CardTerminal() = default;
    ~CardTerminal();
    CardTerminal(const CardTerminal&) = delete;
    CardTerminal& operator=(const CardTerminal&) = delete;

    // Opens the pair in raw mode; on failure returns false and fills `error`.
    bool open(std::string& error);

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

private:
    int master_ = -1;
    // Held open and never read: with no slave open at all, poll() on the master
    // reports POLLHUP without end and the card would spin.
    int slave_ = -1;
    std::string slavePath_;
};
