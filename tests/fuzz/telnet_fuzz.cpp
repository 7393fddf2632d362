// Fuzzes the telnet layer of a remote port: any stream from a server, cut anywhere,
// goes through it into the poll exchange, which must take it as any other bytes; and
// any bytes of the card's, sent through one channel and received by another in any
// pieces, come out as they went in.
#include "card_link/poll_exchange.h"
#include "card_link/telnet_channel.h"
#include "fake_serial_port.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace card_link;

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "telnet_fuzz: %s\n", what);
        std::abort();
    }
}

struct BoundedView : ExchangeView {
    void setGaugeValue(int gauge, double volts) override
    {
        check(gauge == 0 || gauge == 1, "gauge index outside 0..1");
        check(volts >= 0.0 && volts <= 5.0, "gauge value outside 0..5 V");
    }
    void pilota_led(int quale_led, int acceso) override
    {
        check(quale_led >= 0 && quale_led <= 7 && (acceso == 0 || acceso == 1), "LED call out of range");
    }
    void yieldEvents() override {}
};

// Feeds `stream` to `channel` in pieces whose sizes the input chooses.
void feedInPieces(FuzzedDataProvider& input, TelnetChannel& channel, const QByteArray& stream)
{
    qsizetype at = 0;
    while (at < stream.size()) {
        const auto piece = std::min<qsizetype>(stream.size() - at, input.ConsumeIntegralInRange<int>(1, 8));
        channel.receive(stream.constData() + at, piece);
        at += piece;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string cardBytes = input.ConsumeRandomLengthString(64);

    // The card's bytes, 0xFF included, survive the way there and back whole.
    QByteArray onTheWire, arrived;
    TelnetChannel sender({[&](const QByteArray& b) { onTheWire += b; }, {}, {}, {}, {}, {}});
    TelnetChannel receiver({{}, [&](const QByteArray& b) { arrived += b; }, {}, {}, {}, {}});
    sender.send(QByteArray::fromStdString(cardBytes));
    feedInPieces(input, receiver, onTheWire);
    check(arrived == QByteArray::fromStdString(cardBytes), "the card's bytes changed on the way");

    // Whatever a server sends reaches the exchange only as the card's bytes.
    FakeSerialPort port;
    port.open = true;
    BoundedView view;
    TelnetChannel channel({[](const QByteArray&) {}, [&](const QByteArray& b) { port.reads.append(b); },
                           [](bool) {}, [](unsigned char code, const QByteArray&) {
                               check(code >= 1 && code <= 12, "an answer to no command");
                           },
                           [](const QString&) {}, [] {}});
    channel.start();
    while (input.remaining_bytes() > 0) {
        const std::string piece = input.ConsumeRandomLengthString(32);
        channel.receive(piece.data(), static_cast<qsizetype>(piece.size()));
        QByteArray joined = port.reads.join();
        port.reads = {joined};
        comunica(port, input.ConsumeIntegral<std::uint8_t>(), view);
    }
    return 0;
}
