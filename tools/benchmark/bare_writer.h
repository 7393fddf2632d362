#pragma once
// The same 100 ms requests written by the barest program: a kernel interval timer and a
// write, on a thread of its own, to a second virtual card. Run beside the panel, it shows
// how much of the period's jitter the machine and the pseudo-terminal add by themselves.

#include "card_client.h"

#include <atomic>
#include <string>
#include <thread>

class BareWriter {
public:
    // Starts writing to the device at once.
    explicit BareWriter(const std::string& device);
    ~BareWriter();
    BareWriter(const BareWriter&) = delete;
    BareWriter& operator=(const BareWriter&) = delete;

    // False when the device or the kernel timer could not be had.
    bool started() const { return thread_.joinable(); }

private:
    void run(int timer);

    CardClient card_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
