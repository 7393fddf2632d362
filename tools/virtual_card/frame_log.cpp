#include "frame_log.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

FrameLog::~FrameLog()
{
    if (owned_ && file_ != nullptr)
        std::fclose(file_);
}

bool FrameLog::open(const std::string& path, std::string& error)
{
    if (path.empty())
        return true;
    if (path == "-") {
        file_ = stdout;
        return true;
    }
    file_ = std::fopen(path.c_str(), "we");
    if (file_ == nullptr) {
        error = "cannot open log " + path + ": " + std::strerror(errno);
        return false;
    }
    owned_ = true;
    return true;
}

void FrameLog::write(std::int64_t timeUs, std::uint8_t mask)
{
    if (file_ == nullptr)
        return;
    std::fprintf(file_, "%" PRId64 " %u\n", timeUs, static_cast<unsigned>(mask));
    std::fflush(file_);
}
