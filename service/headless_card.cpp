#include "headless_card.h"

#include "card_link/card_frames.h"
#include "card_link/port_device.h"
#include "port_messages/port_messages.h"

using card_link::Language;

HeadlessCard::HeadlessCard(const QString& device, const QString& name, QObject* parent)
    : QObject(parent), keeper_(port_), name_(name)
{
    if (!device.isEmpty())
        port_.setResolver([device](QString& problem) {
            const QString path = card_link::resolveDevice(device);
            if (path.isEmpty())
                problem = QStringLiteral("%1 names no serial port of this computer").arg(device);
            return path;
        });
    // Woken once a poll, by the timer, not again when the reply comes.
    port_.setReadOnDemand(true);
    keeper_.changed = [this](card_link::CardWatch::Change change) { tell(change); };
    timer_.setInterval(kPollMs);
    connect(&timer_, &platform::IntervalTimer::timeout, this, &HeadlessCard::tick);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &HeadlessCard::tick);
    connect(&port_, &card_link::CardPort::deviceLost, this,
            [this](const card_link::PortProblem& why) { keeper_.lost(why); });
    // A card on another machine that connected in the background: polled at once.
    connect(&port_, &card_link::CardPort::opened, this, &HeadlessCard::tick);
    connect(&port_, &card_link::CardPort::notice, this, [this](const card_link::PortProblem& what) {
        emit said(card_link::portMessage(what, Language::English));
    });
}

void HeadlessCard::start(int outputs)
{
    outputs_ = outputs;
    const auto now = Clock::now();
    card_link::PortProblem why;
    // A card on another machine connects in the background, and is polled when it has.
    if (port_.reopen(&why)) {
        everOpen_ = true;
        keeper_.opened(now);
        emit said(QStringLiteral("polling %1").arg(deviceName()));
        poll();
        timer_.start();
    } else {
        keeper_.awaited(why, now);
        tellWaiting();
        waitForRetry(now);
    }
    showChanges();
    emit statusChanged();
}

void HeadlessCard::tick()
{
    emit ticked();
    const auto now = Clock::now();
    if (keeper_.readyToPoll(now)) {
        retry_.stop();
        if (!timer_.isActive())
            timer_.start();  // back: the polls resume
        poll();
    } else {
        waitForRetry(now);
        if (!everOpen_)
            tellWaiting();
    }
    showChanges();
}

void HeadlessCard::waitForRetry(Clock::time_point now)
{
    timer_.stop();
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(keeper_.nextRetry() - now);
    retry_.start(std::max(wait, std::chrono::milliseconds::zero()) + std::chrono::milliseconds(5));
}

void HeadlessCard::showChanges()
{
    const card_link::CardState now = state();
    if (now == shown_)
        return;
    if (now.connected != shown_.connected)
        emit statusChanged();
    shown_ = now;
    emit changed();
}

void HeadlessCard::poll()
{
    const bool watched = keeper_.inUse() && port_.portOpen();
    lastExchange_ = card_link::comunica(port_, outputs_, *this);
    if (watched)
        keeper_.exchanged(lastExchange_ == card_link::Exchange::Shown, Clock::now());
}

void HeadlessCard::tell(card_link::CardWatch::Change change)
{
    emit statusChanged();
    if (change == card_link::CardWatch::Change::Back && !std::exchange(everOpen_, true)) {
        emit said(QStringLiteral("polling %1").arg(deviceName()));
        return;
    }
    emit said(card_link::changeLine(change, deviceName(), Language::English));
}

void HeadlessCard::tellWaiting()
{
    const card_link::PortProblem& why = keeper_.problem();
    if (why.kind == card_link::PortProblem::Kind::Internal && why.reason.isEmpty())
        return;  // a connection under way: not known yet
    const QString line = card_link::portMessage(why, Language::English) + QStringLiteral(" Trying it again once a second.");
    const auto now = Clock::now();
    if (line == waitingSaid_ && now - waitingSaidAt_ < kRepeatWaiting)
        return;
    waitingSaid_ = line;
    waitingSaidAt_ = now;
    emit said(line);
}

card_link::CardState HeadlessCard::state() const
{
    card_link::CardState card;
    card.name = name_;
    card.outputs = outputs_;
    card.inputs = inputs_;
    card.analog1Volts = volts_[0];
    card.analog2Volts = volts_[1];
    card.port = QStringLiteral("Com1");
    card.device = deviceName();
    card.connected = keeper_.connected();
    return card;
}

QString HeadlessCard::status() const
{
    if (!everOpen_)
        return QStringLiteral("waiting for %1: %2").arg(deviceName(), card_link::shortReason(keeper_.problem()));
    if (!port_.portOpen())
        return QStringLiteral("%1 went away: trying again once a second").arg(deviceName());
    if (keeper_.silent())
        return QStringLiteral("polling %1: the card does not answer").arg(deviceName());
    return QStringLiteral("polling %1").arg(deviceName());
}

QString HeadlessCard::switchOutput(int channel, card_link::OutputState state)
{
    const int bit = 1 << (7 - channel);
    const bool on = state == card_link::OutputState::Toggle ? !card_link::outputOn(outputs_, channel)
                                                            : state == card_link::OutputState::On;
    return setOutputs(on ? outputs_ | bit : outputs_ & ~bit);
}

QString HeadlessCard::setOutputs(int mask)
{
    if (QString why = keeper_.notConnected(deviceName()); !why.isEmpty())
        return why;
    if (mask == outputs_)
        return {};
    outputs_ = mask;
    emit outputsChanged(mask);
    poll();  // the request at once, as a click sends it
    showChanges();
    if (lastExchange_ != card_link::Exchange::NotSent)
        return {};
    const QString why = keeper_.notConnected(deviceName());
    return why.isEmpty() ? QStringLiteral("the request could not be written to the card") : why;
}

void HeadlessCard::setGaugeValue(int gauge, double volts)
{
    if (gauge == 0 || gauge == 1)
        volts_[gauge] = volts;
}

void HeadlessCard::pilota_led(int quale_led, int acceso)
{
    const int bit = 1 << (7 - quale_led);
    inputs_ = acceso == 1 ? inputs_ | bit : inputs_ & ~bit;
}
