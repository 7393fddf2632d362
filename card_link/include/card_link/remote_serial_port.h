#pragma once
// The serial port object for a card on another machine ("rfc2217://HOST:PORT" or
// "socket://HOST:PORT", see remote_name.h), on a QTcpSocket in the caller's thread,
// driven by its events alone. It behaves as a local port does: an open that fails
// throws with the reason, input() returns and empties what the card has sent, and a
// connection that drops is a device that went away.
//
// Name lookup and connecting happen in the background. setPortOpen(true) waits for
// them in an event loop of its own, so the window is drawn and answers meanwhile, for
// at most kConnectTimeout; reopen() only starts them and reports the port open at a
// later call. After connecting, the first kSettleTime is given to the server to refuse
// the card in words; on a telnet port its first answer to a line setting ends that
// wait early.
//
// What the server may make this client do is bounded: what waits to go to the network
// never passes kOutputBufferSize (a request that cannot leave within a poll is not worth
// queueing), the line is set once per connection, and a server that makes it negotiate
// without end is dropped. What the user should know of the line (a setting refused, a
// telnet port that does not answer telnet) is told once per connection.

#include "line_settings.h"
#include "remote_name.h"
#include "serial_port_object.h"
#include "server_refusal.h"

#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <memory>

namespace card_link {

class TelnetChannel;

class RemoteSerialPort : public SerialPortObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kConnectTimeout{3000};
    static constexpr std::chrono::milliseconds kSettleTime{250};
    static constexpr std::chrono::milliseconds kConfirmTime{2000};
    static constexpr qint64 kInputBufferSize = 1024;
    static constexpr qint64 kOutputBufferSize = 512;

    explicit RemoteSerialPort(QObject* parent = nullptr);
    ~RemoteSerialPort() override;

    int portNumber() const override { return number_; }
    // Also gives up an attempt to connect that is under way.
    void setPortNumber(int number) override;
    bool portOpen() const override { return state_ == State::Open; }
    void setPortOpen(bool open) override;
    void output(const QByteArray& data) override;
    QByteArray input() override;
    qint64 inputWaiting() const override { return received_.size(); }
    bool reopen(PortProblem* why = nullptr) override;

    // The name the next open uses, as written: the one set, else what the port number names.
    QString deviceName() const;
    void setDevice(const QString& device) { device_ = device; }

private:
    enum class State { Closed, Connecting, Settling, Open };

    void begin();
    void onConnected();
    void onReadyRead();
    void onSocketError();
    // The connection cannot go on: an attempt fails, an open port is lost.
    void onBrokenStream(const PortProblem& why);
    void fromCard(const QByteArray& bytes);
    void onComPortOption(bool accepted);
    void onComPortAnswer(unsigned char code, const QByteArray& value);
    void startTelnet();
    // Queues bytes for the server, unless that would pass kOutputBufferSize: then they are
    // dropped, as a full local port drops a request. False when dropped.
    bool toNetwork(const QByteArray& bytes);
    // Tells `notice` unless it was told on this connection already.
    void tellOnce(bool& told, const PortProblem& notice);
    void settled();
    void fail(const PortProblem& why);
    void drop();
    void checkConfirmations();
    void finishAttempt(State state);
    // A problem with the card at this port's remote name.
    PortProblem remoteProblem(PortProblem::Kind kind, const QString& reason = {}) const;

    int number_ = 1;
    QString device_;
    State state_ = State::Closed;
    quint64 attempt_ = 0;
    RemoteName remote_;
    QTcpSocket socket_;
    std::unique_ptr<TelnetChannel> telnet_;
    ServerRefusal refusal_;
    LineSettings line_;
    QTimer connectTimer_;
    QTimer settleTimer_;
    QTimer confirmTimer_;
    QByteArray received_;
    PortProblem failure_;
    // Per connection: whether the server has answered the COM-PORT-OPTION offer, whether the
    // line has been set, and what has been told.
    bool comPortAnswered_ = false;
    bool lineSet_ = false;
    bool toldRefused_ = false;
    bool toldUnconfirmed_ = false;
    bool toldNotTelnet_ = false;

signals:
    void attemptFinished();
};

} // namespace card_link
