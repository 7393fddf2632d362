#pragma once
// A pseudo-terminal that a serial program opens as if it were the card's device: the
// master is ours, the other program opens the slave. The virtual card answers on one,
// and the tap gives the panel one.
//
// A program that opens the slave as a serial port takes it for exclusive use
// (TIOCEXCL). On a real device that ends when the device is closed for the last time;
// here the slave is held open by us, so the flag would outlive the program that set it
// (and one that ended without clearing it, killed say, would lock out every later
// one). So each time a program closes the slave, the flag is lifted again.

#include <string>

class CardTerminal {
public:
    CardTerminal() = default;
    ~CardTerminal();
    CardTerminal(const CardTerminal&) = delete;
    CardTerminal& operator=(const CardTerminal&) = delete;

    // Opens the pair (see terminal_pair.h); on failure returns false and fills `error`.
    bool open(std::string& error);

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Readable when a program has closed the slave (-1 if that cannot be watched);
    // then call clientClosed().
    int closeWatch() const { return watch_; }
    // Takes the close events and lifts the exclusive use of the slave.
    void clientClosed();

private:
    int master_ = -1;
    // Held open and never read: with no slave open at all, poll() on the master
    // reports POLLHUP without end and the loop would spin.
    int slave_ = -1;
    int watch_ = -1;
    std::string slavePath_;
};
