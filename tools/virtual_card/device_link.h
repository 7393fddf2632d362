#pragma once
// A symlink to the card's device under a fixed name, removed again when destroyed.

#include <string>

class DeviceLink {
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Makes `linkPath` point at `target`, replacing whatever was there.
    bool create(const std::string& linkPath, const std::string& target, std::string& error);

private:
    std::string linkPath_;
};
