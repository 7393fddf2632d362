// Fuzzes the poll exchange over a fake serial port: the input decides, exchange by
// exchange, the output state, whether the port is open or failing, and the bytes
// (and how many) that the next read returns. The view checks what is shown.
#include "card_link/poll_exchange.h"
#include "fake_serial_port.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace card_link;

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "exchange_fuzz: %s\n", what);
        std::abort();
    }
}

struct Call {
    char kind;  // 'g' gauge, 'l' LED
    int index;
    double value;
};

// Checks every call as it arrives, and keeps them for the per-exchange checks.
struct CheckingView : ExchangeView {
    void setGaugeValue(int gauge, double volts) override
    {
        check(gauge == 0 || gauge == 1, "gauge index outside 0..1");
        check(volts >= 0.0 && volts <= 5.0, "gauge value outside 0..5 V");
        calls.push_back({'g', gauge, volts});
    }
    void pilota_led(int quale_led, int acceso) override
    {
        check(quale_led >= 0 && quale_led <= 7, "LED index outside 0..7");
        check(acceso == 0 || acceso == 1, "LED state other than 0 or 1");
        calls.push_back({'l', quale_led, static_cast<double>(acceso)});
    }
    void yieldEvents() override {}

    std::vector<Call> calls;
};

void checkShown(const std::vector<Call>& calls, const QByteArray& reply)
{
    const auto byte = [&](int i) { return static_cast<int>(static_cast<std::uint8_t>(reply[i])); };
    check(calls.size() == 10, "a reply shows two gauges and eight LEDs");
    check(calls[0].kind == 'g' && calls[0].index == 0 && calls[0].value == byte(1) * 5 / 255.0,
          "gauge 0 does not show the first analogue byte");
    check(calls[1].kind == 'g' && calls[1].index == 1 && calls[1].value == byte(2) * 5 / 255.0,
          "gauge 1 does not show the second analogue byte");
    for (int i = 0; i < 8; ++i) {
        const Call& led = calls[2 + i];
        check(led.kind == 'l' && led.index == 7 - i, "LEDs are not written from input 0 up");
        check(static_cast<int>(led.value) == ((byte(0) >> i) & 1), "LED does not show its input bit");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    FakeSerialPort port;
    port.open = true;
    CheckingView view;

    while (input.remaining_bytes() > 0) {
        const auto op = input.ConsumeIntegral<std::uint8_t>();
        const int state = (op & 0x40) ? input.ConsumeIntegral<int>() : input.ConsumeIntegral<std::uint8_t>();
        port.open = !(op & 0x20);
        port.failWrites = (op & 0x10) != 0;
        // Mostly short reads around the reply's length, now and then a flood.
        const std::size_t wanted = (op & 0x08) ? input.ConsumeIntegralInRange<std::size_t>(0, 1500)
                                               : input.ConsumeIntegralInRange<std::size_t>(0, 6);
        const std::vector<char> bytes = input.ConsumeBytes<char>(wanted);
        const QByteArray chunk(bytes.data(), static_cast<qsizetype>(bytes.size()));
        port.reads = {chunk};

        const auto framesBefore = port.written.size();
        view.calls.clear();
        comunica(port, state, view);

        const bool sent = port.open && !port.failWrites;
        check(port.written.size() == framesBefore + (sent ? 1 : 0), "one request per exchange on a working port");
        if (sent) {
            const QByteArray& frame = port.written.back();
            check(frame.size() == 4 && frame.startsWith("**") && frame.endsWith('#'), "malformed request");
            check(static_cast<std::uint8_t>(frame[2]) == static_cast<unsigned>(state) % 256u,
                  "request does not carry the output state");
            check(port.reads.isEmpty(), "the exchange did not read after sending");
        } else {
            check(port.reads.size() == 1, "read on a closed or failing port");
        }
        if (sent && chunk.size() == 3)
            checkShown(view.calls, chunk);
        else
            check(view.calls.empty(), "screen changed without a read of exactly 3 bytes");
    }
    return 0;
}
