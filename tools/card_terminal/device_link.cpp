#include "device_link.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string linkTarget(const std::string& path)
{
    std::vector<char> text(4096);
    const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
    return n < 0 ? std::string() : std::string(text.data(), static_cast<std::size_t>(n));
}

} // namespace

DeviceLink::~DeviceLink()
{
    struct stat now {};
    if (linkPath_.empty() || ::lstat(linkPath_.c_str(), &now) != 0)
        return;
    if (S_ISLNK(now.st_mode) && now.st_dev == device_ && now.st_ino == inode_ && now.st_ctim.tv_sec == changed_.tv_sec
        && now.st_ctim.tv_nsec == changed_.tv_nsec && linkTarget(linkPath_) == target_)
        ::unlink(linkPath_.c_str());
}

DeviceLink::Result DeviceLink::create(const std::string& linkPath, const std::string& target, std::string& error)
{
    const auto refuse = [&] {
        error = linkPath + " exists and is not a symbolic link: it is left as it is (choose another path)";
        return Result::Refused;
    };
    struct stat existing {};
    if (::lstat(linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode))
            return refuse();
        if (::unlink(linkPath.c_str()) != 0 && errno != ENOENT) {
            error = "cannot replace the link " + linkPath + ": " + std::strerror(errno);
            return Result::Failed;
        }
    } else if (errno != ENOENT) {
        error = "cannot use " + linkPath + ": " + std::strerror(errno);
        return Result::Failed;
    }
    if (::symlink(target.c_str(), linkPath.c_str()) != 0) {
        // Something took the path between the look and the link.
        if (errno == EEXIST) {
            error = linkPath + " was taken by another program just now: it is left as it is";
            return Result::Refused;
        }
        error = "cannot create the link " + linkPath + ": " + std::strerror(errno);
        return Result::Failed;
    }
    struct stat made {};
    if (::lstat(linkPath.c_str(), &made) == 0) {
        linkPath_ = linkPath;
        target_ = target;
        device_ = made.st_dev;
        inode_ = made.st_ino;
        changed_ = made.st_ctim;
    }
    return Result::Made;
}
