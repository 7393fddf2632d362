#include "live_feed.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

LiveFeed::LiveFeed() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

LiveFeed::~LiveFeed()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool LiveFeed::shown(const TapRow& row)
{
    switch (row.kind) {
    case RowKind::Request:
    case RowKind::Reply:
    case RowKind::DeviceGone:
    case RowKind::DeviceBack:
        return true;
    case RowKind::Unframed:
    case RowKind::RowsDropped:
        break;
    }
    return false;
}

void LiveFeed::add(const std::vector<TapRow>& rows)
{
    bool wake = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const bool wasEmpty = waiting_.empty();
        for (const TapRow& row : rows)
            if (shown(row))
                waiting_.push_back(row);
        if (waiting_.size() > kLimit) {
            const std::size_t excess = waiting_.size() - kLimit;
            waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(excess));
            leftOut_ += excess;
        }
        wake = wasEmpty && !waiting_.empty();
    }
    if (wake && fd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
    }
}

std::vector<TapRow> LiveFeed::take(std::uint64_t* leftOut)
{
    // The wakeup is taken first: rows added after it find the queue as this leaves it,
    // empty, and wake the window again.
    std::uint64_t count = 0;
    if (fd_ >= 0) {
        [[maybe_unused]] const ssize_t n = ::read(fd_, &count, sizeof count);
    }
    std::vector<TapRow> rows;
    const std::lock_guard<std::mutex> lock(mutex_);
    rows.swap(waiting_);
    if (leftOut != nullptr)
        *leftOut = leftOut_;
    leftOut_ = 0;
    return rows;
}
