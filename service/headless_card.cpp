#include "headless_card.h"

#include "card_link/card_frames.h"
#include "card_link/port_device.h"
#include "port_messages/port_messages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

using card_link::Language;

HeadlessCard::HeadlessCard(const QString& device, const QString& name, card_safety::OutputGuard& guard,
                           QObject* parent)
    : QObject(parent), guard_(guard), keeper_(port_), name_(name)
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
    folded_.setSingleShot(true);
    connect(&folded_, &QTimer::timeout, this, &HeadlessCard::sendHeld);
    // A held command goes as soon as the card has answered, at most kAnswerTime after the request.
    connect(&port_, &card_link::CardPort::readyRead, this, [this] {
        if (folded_.isActive() && port_.inputWaiting() >= qint64(card_link::kReplySize))
            sendHeld();
    });
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
    if (const std::optional<int> decided = guard_.update())
        adopt(*decided);
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
    const int outputs = nextOutputs();
    folded_.stop();
    lastExchange_ = card_link::comunica(port_, outputs, *this);
    if (lastExchange_ != card_link::Exchange::NotSent)
        sentAt_ = Clock::now();
    // Outputs asked for are theirs only once a request has carried them: one that could not
    // be written leaves the outputs, their file and what is published as they were.
    if (std::exchange(asked_, std::nullopt) && lastExchange_ != card_link::Exchange::NotSent && outputs != outputs_) {
        outputs_ = outputs;
        emit outputsChanged(outputs);
    }
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
    // As the next request carries them: a command held back for a moment reads back at once.
    card.outputs = nextOutputs();
    card.inputs = inputs_;
    card.analog1Volts = volts_[0];
    card.analog2Volts = volts_[1];
    card.port = QStringLiteral("Com1");
    card.device = deviceName();
    card.connected = keeper_.connected();
    for (int channel = 0; channel < 8; ++channel) {
        if (const auto left = guard_.offIn(channel))
            card.offIn[size_t(channel)] = int(std::chrono::ceil<std::chrono::seconds>(*left).count());
    }
    card.safe = guard_.safeReason();
    return card;
}

QString HeadlessCard::status() const
{
    if (const QString& safe = guard_.safeReason(); !safe.isEmpty())
        return QStringLiteral("%1; the safe state is on the card: %2").arg(cardStatus(), safe);
    return cardStatus();
}

QString HeadlessCard::cardStatus() const
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
    if (QString why = keeper_.notConnected(deviceName()); !why.isEmpty())
        return why;
    const int bit = card_safety::outputBit(channel);
    const bool on = state == card_link::OutputState::Toggle ? !card_link::outputOn(nextOutputs(), channel)
                                                            : state == card_link::OutputState::On;
    return command(guard_.request(on ? bit : 0, bit));
}

QString HeadlessCard::setOutputs(int mask)
{
    if (QString why = keeper_.notConnected(deviceName()); !why.isEmpty())
        return why;
    return command(guard_.request(mask));
}

QString HeadlessCard::command(int decided)
{
    if (decided == nextOutputs()) {
        showChanges();  // a keep-alive moves a timed output's time left
        return {};
    }
    asked_ = decided;
    // The request at once, as a click sends it, unless the last one still waits for its reply.
    const auto answered = sentAt_ + kAnswerTime;
    if (const auto now = Clock::now(); now < answered) {
        if (!folded_.isActive()) {
            folded_.start(std::chrono::ceil<std::chrono::milliseconds>(answered - now));
            port_.wakeOnInput();
        }
        showChanges();
        return {};
    }
    return sendAsked(Asker::Waiting);
}

void HeadlessCard::finish()
{
    const std::optional<int> safe = guard_.stopMask();
    if (!safe) {
        if (asked_)
            sendAsked(Asker::Answered);
        return;
    }
    adopt(*safe);
    if (!port_.portOpen())
        return;
    poll();
    awaitReply(kStopWait);
    emit said(QStringLiteral("stopping: the safe state 0x%1 was sent to the card")
                  .arg(*safe, 2, 16, QLatin1Char('0')));
}

void HeadlessCard::awaitReply(std::chrono::milliseconds wait)
{
    if (lastExchange_ == card_link::Exchange::NotSent)
        return;
    QElapsedTimer waited;
    waited.start();
    QByteArray reply;
    while (reply.size() < 3 && waited.elapsed() < wait.count() && port_.portOpen()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
        try {
            reply += port_.input();
        } catch (const card_link::SerialError&) {
            return;
        }
    }
}

void HeadlessCard::adopt(int mask)
{
    asked_.reset();
    if (mask == outputs_)
        return;
    outputs_ = mask;
    emit outputsChanged(mask);
}

void HeadlessCard::sendHeld()
{
    if (const QString why = sendAsked(Asker::Answered); !why.isEmpty())
        emit said(QStringLiteral("the outputs asked for were not sent: %1").arg(why));
}

QString HeadlessCard::sendAsked(Asker asker)
{
    const int asked = nextOutputs();
    poll();
    showChanges();
    if (lastExchange_ != card_link::Exchange::NotSent)
        return {};
    if (asker == Asker::Answered && !port_.portOpen()) {
        // Its sender was told it was taken: kept, as every output is, for when the card is back.
        adopt(asked);
        showChanges();
        return {};
    }
    guard_.request(outputs_, outputs_ ^ asked);  // as they were: nothing of it goes later
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
