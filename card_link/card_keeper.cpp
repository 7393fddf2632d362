#include "card_keeper.h"

#include "port_messages/port_messages.h"

namespace card_link {
namespace {

// A problem that says something: one left empty says nothing.
bool known(const PortProblem& problem)
{
    return problem.kind != PortProblem::Kind::Internal || !problem.reason.isEmpty();
}

} // namespace

void CardKeeper::opened(Clock::time_point now)
{
    inUse_ = true;
    answering_ = false;
    problem_ = {};
    watch_.restart(now);
}

void CardKeeper::refused(const PortProblem& why)
{
    inUse_ = false;
    answering_ = false;
    problem_ = why;
}

void CardKeeper::awaited(const PortProblem& why, Clock::time_point now)
{
    inUse_ = true;
    answering_ = false;
    problem_ = why;
    watch_.restart(now);
    watch_.markGone();
    lastReopen_ = now;
}

void CardKeeper::stop()
{
    stopped_ = true;
    inUse_ = false;
}

bool CardKeeper::readyToPoll(Clock::time_point now)
{
    if (stopped_)
        return false;
    bool open = port_.portOpen();
    if (!open && inUse_ && now - lastReopen_ >= kReopenInterval) {
        lastReopen_ = now;
        PortProblem why;
        open = port_.reopen(&why);
        if (!open && known(why))
            problem_ = why;
    }
    if (inUse_)
        tell(watch_.portChecked(open, now));
    return open;
}

void CardKeeper::exchanged(bool replied, Clock::time_point now)
{
    if (!inUse_)
        return;
    answering_ = answering_ || replied;
    tell(watch_.exchanged(replied, now));
}

void CardKeeper::tell(CardWatch::Change change)
{
    if (change == CardWatch::Change::None)
        return;
    if (change == CardWatch::Change::Silent || change == CardWatch::Change::Gone)
        answering_ = false;
    if (changed)
        changed(change);
}

QString CardKeeper::notConnected(const QString& device) const
{
    if (inUse_ && port_.portOpen() && !silent())
        return {};
    QString why;
    if (inUse_ && port_.portOpen())
        why = QStringLiteral("it has not answered for %1 s")
                  .arg(std::chrono::duration_cast<std::chrono::seconds>(CardWatch::kSilence).count());
    else if (known(problem_))
        why = portMessage(problem_, Language::English);
    else
        why = QStringLiteral("its port is not open");
    return QStringLiteral("the card on %1 is not connected: %2").arg(device, why);
}

} // namespace card_link
