#pragma once
// A symlink to a device under a fixed name, for as long as the program runs. Only a
// symlink (a stale one, say) or nothing is ever replaced, and on exit the link is
// removed only if it is still the one made here, so a mistyped path never costs a file.

#include <string>
#include <ctime>
#include <sys/types.h>

class DeviceLink {
public:
    enum class Result {
        Made,
        Refused,  // something other than a symlink is at the path; left as it is
        Failed,   // the system would not let the link be made
    };

    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Makes `linkPath` point at `target`; anything but Made comes with `error`.
    Result create(const std::string& linkPath, const std::string& target, std::string& error);

private:
    std::string linkPath_;
    std::string target_;
    // The link made, told apart from a later one that may reuse its inode.
    dev_t device_ = 0;
    ino_t inode_ = 0;
    timespec changed_{};
};
