#include "telnet_channel.h"

#include <libtelnet.h>

#include <QString>

namespace card_link {
namespace {

// What this client takes part in: COM-PORT-OPTION, which it offers, and BINARY both
// ways, so that every byte value (a carriage return too) passes as it is. Every other
// option the server proposes is declined by the library.
const telnet_telopt_t kOptions[] = {
    {TELNET_TELOPT_BINARY, TELNET_WILL, TELNET_DO},
    {TelnetChannel::kComPortOption, TELNET_WILL, TELNET_DONT},
    {-1, 0, 0},
};

// A server's answer to command n is n + 100.
constexpr unsigned char kAnswerOffset = 100;

} // namespace

TelnetChannel::TelnetChannel(Callbacks callbacks) : callbacks_(std::move(callbacks))
{
    telnet_ = telnet_init(kOptions, &TelnetChannel::onEvent, 0, this);
}

TelnetChannel::~TelnetChannel()
{
    if (telnet_)
        telnet_free(telnet_);
}

void TelnetChannel::start()
{
    telnet_negotiate(telnet_, TELNET_WILL, kComPortOption);
    // A server that does not offer BINARY itself may turn a carriage return into CR NUL.
    telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_BINARY);
    telnet_negotiate(telnet_, TELNET_DO, TELNET_TELOPT_BINARY);
}

void TelnetChannel::send(const QByteArray& data)
{
    telnet_send(telnet_, data.constData(), static_cast<size_t>(data.size()));
}

void TelnetChannel::sendComPortCommand(unsigned char command, const QByteArray& value)
{
    QByteArray payload(1, static_cast<char>(command));
    payload += value;
    telnet_subnegotiation(telnet_, kComPortOption, payload.constData(), static_cast<size_t>(payload.size()));
}

void TelnetChannel::receive(const char* data, qsizetype size)
{
    if (!ended_)
        telnet_recv(telnet_, data, static_cast<size_t>(size));
}

void TelnetChannel::onEvent(telnet_t*, telnet_event_t* event, void* self)
{
    static_cast<TelnetChannel*>(self)->handle(*event);
}

// Counted as they leave: the library answers every negotiation that changes an option, and
// every offer of an option it refuses, with IAC and one of WILL, WONT, DO, DONT (three
// bytes sent at once); the card's own bytes never start so, their 0xFF being doubled.
bool TelnetChannel::overLimit(const telnet_event_t& event)
{
    if (event.type != TELNET_EV_SEND || event.data.size != 3)
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(event.data.buffer);
    const bool negotiation = bytes[0] == TELNET_IAC && bytes[1] >= TELNET_WILL && bytes[1] <= TELNET_DONT;
    return negotiation && ++negotiations_ > kNegotiationLimit;
}

void TelnetChannel::handle(const telnet_event_t& event)
{
    // The rest of a chunk after a failure is not heard: the connection is going.
    if (ended_)
        return;
    if (overLimit(event)) {
        ended_ = true;
        if (callbacks_.flooded)
            callbacks_.flooded();
        return;
    }
    heardTelnet_ = heardTelnet_ || (event.type != TELNET_EV_DATA && event.type != TELNET_EV_SEND);
    switch (event.type) {
    case TELNET_EV_DATA:
        if (callbacks_.toCard)
            callbacks_.toCard(QByteArray(event.data.buffer, static_cast<qsizetype>(event.data.size)));
        break;
    case TELNET_EV_SEND:
        if (callbacks_.toNetwork)
            callbacks_.toNetwork(QByteArray(event.data.buffer, static_cast<qsizetype>(event.data.size)));
        break;
    case TELNET_EV_DO:
    case TELNET_EV_DONT:
        if (event.neg.telopt == kComPortOption && callbacks_.comPortOption)
            callbacks_.comPortOption(event.type == TELNET_EV_DO);
        break;
    case TELNET_EV_SUBNEGOTIATION:
        // The server's answers and notices: modem and line state notices are let go.
        if (event.sub.telopt == kComPortOption && event.sub.size >= 1 && callbacks_.comPortAnswer) {
            const auto code = static_cast<unsigned char>(event.sub.buffer[0]);
            if (code > kAnswerOffset && code <= kAnswerOffset + 12)
                callbacks_.comPortAnswer(static_cast<unsigned char>(code - kAnswerOffset),
                                         QByteArray(event.sub.buffer + 1, static_cast<qsizetype>(event.sub.size - 1)));
        }
        break;
    case TELNET_EV_ERROR:
        ended_ = true;
        if (callbacks_.failed)
            callbacks_.failed(QString::fromUtf8(event.error.msg));
        break;
    default:
        break;
    }
}

} // namespace card_link
