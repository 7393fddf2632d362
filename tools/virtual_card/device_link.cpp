#include "device_link.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

DeviceLink::~DeviceLink()
{
    if (!linkPath_.empty())
        ::unlink(linkPath_.c_str());
}

bool DeviceLink::create(const std::string& linkPath, const std::string& target, std::string& error)
{
    if (::unlink(linkPath.c_str()) != 0 && errno != ENOENT) {
        error = "cannot replace " + linkPath + ": " + std::strerror(errno);
        return false;
    }
    if (::symlink(target.c_str(), linkPath.c_str()) != 0) {
        error = "cannot create link " + linkPath + ": " + std::strerror(errno);
        return false;
    }
    linkPath_ = linkPath;
    return true;
}
