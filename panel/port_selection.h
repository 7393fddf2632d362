#pragma once
// Choosing the port: stop polling, close the port in use, open the chosen one and
// poll again; a port that cannot be opened is reported and one fallback is tried.
// A port that vanishes while in use is reopened quietly, at most once a second.

#include "card_link/card_keeper.h"
#include "card_link/serial_port.h"

#include <QString>
#include <QtGlobal>
#include <chrono>

namespace panel {

class PortSelectionView {
public:
    virtual ~PortSelectionView() = default;
    virtual void setTimerEnabled(bool enabled) = 0;
    virtual void yieldEvents() = 0;
    // The modal "ERRORE" box, with `detail` saying which device was tried and why
    // it was refused; returns when the user has answered it.
    virtual void showPortError(const QString& detail) = 0;
    // Selects option button `index`; when it was not already selected this runs
    // its click handler, which comes back to quale_porta_Click.
    virtual void selectPortOption(int index) = 0;
};

class PortSelection {
public:
    using Clock = card_link::CardKeeper::Clock;

    PortSelection(card_link::SerialPort& port, PortSelectionView& view) : port_(port), view_(view), keeper_(port) {}

    void quale_porta_Click(int Index);

    // Called on every timer tick before an exchange: true when the port is open.
    // A port in use that has gone away is reopened, at most once per interval.
    bool readyToPoll(Clock::time_point now = Clock::now());

    // True once a port has been opened by a choice, until the next choice.
    bool inUse() const { return keeper_.inUse(); }
    // The card on the port in use: whether it answers, and why not.
    card_link::CardKeeper& keeper() { return keeper_; }
    const card_link::CardKeeper& keeper() const { return keeper_; }

    // The program is ending: a choice under way stops where it is (after its box,
    // if one is open), with no fallback and no other port tried, and nothing is
    // opened or polled from now on.
    void stop();

private:
    card_link::SerialPort& port_;
    PortSelectionView& view_;
    card_link::CardKeeper keeper_;
    bool nextIsFallback_ = false;
    bool stopped_ = false;
    quint64 choices_ = 0;
};

} // namespace panel
