#include "remote_serial_port.h"

#include "port_device.h"
#include "port_name.h"
#include "telnet_channel.h"

#include <QEventLoop>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace card_link {
namespace {

// A peer that vanishes without closing (a Pi unplugged) is given up on after about
// ten seconds of silence, not after the system's two hours.
void tightenKeepalive(qintptr descriptor)
{
    const int idle = 5, interval = 2, count = 3;
    const unsigned int unacknowledged = 10000;  // ms for sent bytes to be acknowledged
    ::setsockopt(static_cast<int>(descriptor), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(static_cast<int>(descriptor), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(static_cast<int>(descriptor), IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    ::setsockopt(static_cast<int>(descriptor), IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledged, sizeof unacknowledged);
}

PortProblem::Kind socketProblem(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return PortProblem::Kind::HostUnknown;
    case QAbstractSocket::ConnectionRefusedError:
        return PortProblem::Kind::ConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
        return PortProblem::Kind::ServerClosed;
    case QAbstractSocket::NetworkError:
        return PortProblem::Kind::NetworkDown;
    default:
        return PortProblem::Kind::NetworkFailed;
    }
}

} // namespace

RemoteSerialPort::RemoteSerialPort(QObject* parent) : SerialPortObject(parent)
{
    for (QTimer* timer : {&connectTimer_, &settleTimer_, &confirmTimer_})
        timer->setSingleShot(true);
    connectTimer_.setInterval(kConnectTimeout);
    settleTimer_.setInterval(kSettleTime);
    confirmTimer_.setInterval(kConfirmTime);
    connect(&connectTimer_, &QTimer::timeout, this, [this] {
        PortProblem late = remoteProblem(PortProblem::Kind::NoAnswer);
        late.seconds = int(kConnectTimeout.count() / 1000);
        fail(late);
    });
    connect(&settleTimer_, &QTimer::timeout, this, &RemoteSerialPort::settled);
    connect(&confirmTimer_, &QTimer::timeout, this, &RemoteSerialPort::checkConfirmations);
    connect(&socket_, &QTcpSocket::connected, this, &RemoteSerialPort::onConnected);
    connect(&socket_, &QTcpSocket::readyRead, this, &RemoteSerialPort::onReadyRead);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &RemoteSerialPort::onSocketError);
    connect(&socket_, &QTcpSocket::disconnected, this, &RemoteSerialPort::onSocketError);
}

RemoteSerialPort::~RemoteSerialPort()
{
    socket_.disconnect(this);
    socket_.abort();
}

void RemoteSerialPort::setPortNumber(int number)
{
    if (state_ == State::Open)
        throw SerialError("the port number cannot change while the port is open");
    if (number < 1 || number > kPortCount)
        throw SerialError("invalid port number");
    if (state_ != State::Closed)
        fail(remoteProblem(PortProblem::Kind::AttemptAbandoned));
    number_ = number;
}

QString RemoteSerialPort::deviceName() const
{
    return device_.isEmpty() ? deviceForPort(number_) : device_;
}

void RemoteSerialPort::setPortOpen(bool open)
{
    if (!open) {
        // An attempt under way ends as interrupted; an open port simply closes.
        if (state_ == State::Connecting || state_ == State::Settling)
            fail(remoteProblem(PortProblem::Kind::AttemptInterrupted));
        else if (state_ != State::Closed)
            finishAttempt(State::Closed);
        return;
    }
    if (state_ == State::Open)
        return;
    if (state_ != State::Closed)
        throw SerialError(remoteProblem(PortProblem::Kind::AttemptUnderWay));
    begin();
    const quint64 mine = attempt_;
    if (state_ == State::Connecting || state_ == State::Settling) {
        // Ends when this attempt ends, or when the program ends every event loop.
        QEventLoop loop;
        connect(this, &RemoteSerialPort::attemptFinished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (attempt_ == mine && state_ == State::Open)
        return;
    if (attempt_ == mine && state_ != State::Closed)
        fail(remoteProblem(PortProblem::Kind::AttemptInterrupted));
    throw SerialError(failure_);
}

bool RemoteSerialPort::reopen(PortProblem* why)
{
    if (state_ == State::Closed) {
        // The last attempt's failure is why the port is still closed.
        if (why && attempt_ > 0)
            *why = failure_;
        begin();
        if (why && state_ == State::Closed)
            *why = failure_;  // a name that cannot be right
    }
    return state_ == State::Open;
}

void RemoteSerialPort::begin()
{
    ++attempt_;
    received_.clear();
    refusal_ = {};
    telnet_.reset();
    line_ = {};
    comPortAnswered_ = lineSet_ = false;
    toldRefused_ = toldUnconfirmed_ = toldNotTelnet_ = false;
    PortProblem problem;
    if (!parseRemoteName(deviceName(), remote_, problem)) {
        failure_ = problem;
        state_ = State::Closed;
        return;
    }
    state_ = State::Connecting;
    connectTimer_.start();
    socket_.abort();
    socket_.connectToHost(remote_.host, remote_.port);
}

void RemoteSerialPort::onConnected()
{
    if (state_ != State::Connecting)
        return;
    connectTimer_.stop();
    // A request of four bytes leaves at once, and a dead peer is noticed.
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    tightenKeepalive(socket_.socketDescriptor());
    state_ = State::Settling;
    settleTimer_.start();
    if (remote_.scheme == RemoteName::Scheme::Telnet)
        startTelnet();
}

void RemoteSerialPort::startTelnet()
{
    TelnetChannel::Callbacks callbacks;
    callbacks.toNetwork = [this](const QByteArray& bytes) { toNetwork(bytes); };
    callbacks.toCard = [this](const QByteArray& bytes) { fromCard(bytes); };
    callbacks.comPortOption = [this](bool accepted) { onComPortOption(accepted); };
    callbacks.comPortAnswer = [this](unsigned char code, const QByteArray& value) { onComPortAnswer(code, value); };
    callbacks.failed = [this](const QString& reason) {
        onBrokenStream(remoteProblem(PortProblem::Kind::NetworkFailed, reason));
    };
    callbacks.flooded = [this] { onBrokenStream(remoteProblem(PortProblem::Kind::NegotiationFlood)); };
    telnet_ = std::make_unique<TelnetChannel>(std::move(callbacks));
    telnet_->start();
    confirmTimer_.start();
}

bool RemoteSerialPort::toNetwork(const QByteArray& bytes)
{
    if (socket_.bytesToWrite() + bytes.size() > kOutputBufferSize)
        return false;
    socket_.write(bytes);
    return true;
}

void RemoteSerialPort::tellOnce(bool& told, const PortProblem& notice)
{
    if (!std::exchange(told, true))
        emit this->notice(notice);
}

void RemoteSerialPort::onComPortOption(bool accepted)
{
    comPortAnswered_ = true;
    if (!accepted) {
        line_ = {};
        tellOnce(toldUnconfirmed_, remoteProblem(PortProblem::Kind::LineNotNegotiable));
        return;
    }
    // Set on every connection, since the server puts its own line back at each one, but
    // once: a server that takes the option back and offers it again is not answered again.
    if (std::exchange(lineSet_, true))
        return;
    for (const LineSettings::Command& command : LineSettings::commands())
        telnet_->sendComPortCommand(command.code, command.value);
    line_.sent();
}

void RemoteSerialPort::onComPortAnswer(unsigned char code, const QByteArray& value)
{
    const bool awaited = line_.awaits(code);
    if (line_.answered(code, value)) {
        PortProblem refused = remoteProblem(PortProblem::Kind::SettingRefused);
        refused.settings = {code};
        tellOnce(toldRefused_, refused);
    }
    // An answer to a setting means the server has the card's device open: nothing more to
    // wait for. Its notices of the line's and the modem's state are no answers.
    if (awaited && state_ == State::Settling)
        settled();
}

void RemoteSerialPort::checkConfirmations()
{
    if (state_ != State::Open)
        return;
    if (telnet_ && !telnet_->heardTelnet()) {
        tellOnce(toldNotTelnet_, remoteProblem(PortProblem::Kind::NotTelnet));
        return;
    }
    // A telnet server that lets the offer go unanswered takes no line settings either.
    if (!comPortAnswered_) {
        tellOnce(toldUnconfirmed_, remoteProblem(PortProblem::Kind::LineNotNegotiable));
        return;
    }
    if (line_.unanswered().empty())
        return;
    PortProblem unconfirmed = remoteProblem(PortProblem::Kind::SettingsUnconfirmed);
    unconfirmed.seconds = int(kConfirmTime.count() / 1000);
    unconfirmed.settings = line_.unanswered();
    tellOnce(toldUnconfirmed_, unconfirmed);
}

void RemoteSerialPort::onReadyRead()
{
    const QByteArray bytes = socket_.readAll();
    if (bytes.isEmpty() || state_ == State::Closed || state_ == State::Connecting)
        return;
    if (telnet_)
        telnet_->receive(bytes.constData(), bytes.size());
    else
        fromCard(bytes);
}

void RemoteSerialPort::fromCard(const QByteArray& bytes)
{
    if (state_ == State::Closed)
        return;
    QByteArray data = bytes;
    if (refusal_.verdict() != ServerRefusal::Verdict::Data) {
        if (refusal_.feed(bytes) != ServerRefusal::Verdict::Data)
            return;  // held back, or the server's words: they wait for the close
        data = refusal_.takeHeld();
        if (state_ == State::Settling)
            settled();
    }
    // Bounded as a local port's buffer is: what does not fit is lost.
    received_ += data.left(kInputBufferSize - received_.size());
    if (!data.isEmpty() && state_ == State::Open)
        emit readyRead();
}

void RemoteSerialPort::settled()
{
    if (state_ != State::Settling)
        return;
    settleTimer_.stop();
    if (refusal_.verdict() == ServerRefusal::Verdict::Refused) {
        fail(remoteProblem(PortProblem::Kind::ServerRefused, refusal_.reason()));
        return;
    }
    finishAttempt(State::Open);
    emit opened();
    if (!received_.isEmpty())
        emit readyRead();
}

void RemoteSerialPort::onSocketError()
{
    if (state_ == State::Closed)
        return;
    // The server's last words come before its close.
    if (socket_.bytesAvailable() > 0)
        onReadyRead();
    if (state_ == State::Closed)
        return;
    onBrokenStream(refusal_.verdict() == ServerRefusal::Verdict::Refused
                       ? remoteProblem(PortProblem::Kind::ServerRefused, refusal_.reason())
                       : remoteProblem(socketProblem(socket_.error()), socket_.errorString()));
}

void RemoteSerialPort::onBrokenStream(const PortProblem& why)
{
    if (state_ != State::Open) {
        fail(why);
        return;
    }
    drop();
    failure_ = why;
    emit deviceLost(failure_);
}

void RemoteSerialPort::output(const QByteArray& data)
{
    if (state_ != State::Open)
        throw SerialError("write on a closed port");
    // Room for the bytes as they go on the wire, 0xFF doubled on a telnet port.
    if (socket_.bytesToWrite() + data.size() * (telnet_ ? 2 : 1) > kOutputBufferSize)
        throw SerialError("output buffer full");
    if (telnet_)
        telnet_->send(data);
    else
        toNetwork(data);
    // Handed to the system now, not at the next pass of the event loop.
    socket_.flush();
}

QByteArray RemoteSerialPort::input()
{
    if (state_ != State::Open)
        throw SerialError("read on a closed port");
    return std::exchange(received_, {});
}

void RemoteSerialPort::fail(const PortProblem& why)
{
    failure_ = why;
    finishAttempt(State::Closed);
}

void RemoteSerialPort::drop()
{
    finishAttempt(State::Closed);
}

void RemoteSerialPort::finishAttempt(State state)
{
    state_ = state;
    if (state == State::Closed) {
        connectTimer_.stop();
        settleTimer_.stop();
        confirmTimer_.stop();
        socket_.abort();
        received_.clear();
    }
    emit attemptFinished();
}

PortProblem RemoteSerialPort::remoteProblem(PortProblem::Kind kind, const QString& reason) const
{
    PortProblem problem;
    problem.kind = kind;
    problem.port = remote_.written;
    problem.number = number_;
    problem.host = remote_.host;
    problem.tcpPort = remote_.port;
    problem.reason = reason;
    return problem;
}

} // namespace card_link
