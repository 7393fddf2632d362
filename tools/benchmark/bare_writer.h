#pragma once
// The same 100 ms requests written by the barest program: a kernel interval timer and a
// write, on a thread of its own, to a second virtual card. Run beside the panel, it shows
// how much of the period's jitter the machine and the pseudo-terminal add by themselves.

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
    bool started() const { return started_; }

private:
    void run(int device, int timer);

    std::atomic<bool> stop_{false};
    bool started_ = false;
    std::thread thread_;
};
