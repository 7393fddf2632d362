#pragma once
// The card's serial device, opened as the panel opens it: 9600 baud, 8 data bits, no
// parity, one stop bit, no handshaking, raw, non-blocking and held exclusively, and
// given up as the panel gives it up: exclusive use lifted, so the next program can
// have it. When it goes away it is tried again at most once a second, each time under
// the name the resolver gives then (a ComN may map to another device by then).

#include <cstdint>
#include <functional>
#include <string>

class CardDevice {
public:
    static constexpr std::int64_t kRetryUs = 1'000'000;

    // `resolveName` gives the device's path now, or empty with the reason why there is none.
    explicit CardDevice(std::function<std::string(std::string& problem)> resolveName);
    ~CardDevice();
    CardDevice(const CardDevice&) = delete;
    CardDevice& operator=(const CardDevice&) = delete;

    // Opens the device; false with `error` when it cannot be had.
    bool open(std::string& error);
    // Closes the device after it failed and schedules the next attempt.
    void lose(std::int64_t nowMonotonicUs);
    // Tries to open it again if an attempt is due; true when it is open afterwards.
    bool retryIfDue(std::int64_t nowMonotonicUs, std::string& error);

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // The name of the last attempt, for messages.
    const std::string& name() const { return name_; }
    // The monotonic time of the next attempt while the device is gone.
    std::int64_t nextAttemptUs() const { return nextAttemptUs_; }

private:
    void close();

    std::function<std::string(std::string&)> resolveName_;
    std::string name_;
    int fd_ = -1;
    std::int64_t nextAttemptUs_ = 0;
};
