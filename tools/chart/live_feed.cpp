#include "live_feed.h"

#include "feed_records.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kPipeBytes = 1024 * 1024;
// Room kept in each write for the count of rows left out before it.
constexpr std::size_t kCountRecord = 64;

} // namespace

LiveFeed::LiveFeed()
{
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    // More than the usual 64 KiB where the system allows it; the usual otherwise.
    ::fcntl(writeEnd_, F_SETPIPE_SZ, static_cast<int>(kPipeBytes));
}

LiveFeed::LiveFeed(int readEnd) : readEnd_(readEnd)
{
    ::fcntl(readEnd_, F_SETFL, ::fcntl(readEnd_, F_GETFL) | O_NONBLOCK);
}

LiveFeed::~LiveFeed()
{
    for (int fd : {readEnd_, writeEnd_})
        if (fd >= 0)
            ::close(fd);
}

int LiveFeed::releaseReadEnd()
{
    const int fd = readEnd_;
    readEnd_ = -1;
    return fd;
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
    std::string records;
    std::size_t count = 0;
    for (const TapRow& row : rows) {
        if (!shown(row))
            continue;
        std::string record;
        appendFeedRecord(record, row);
        if (count > 0 && records.size() + record.size() > PIPE_BUF - kCountRecord) {
            write(records, count);
            records.clear();
            count = 0;
        }
        records += record;
        ++count;
    }
    if (count > 0)
        write(records, count);
}

void LiveFeed::write(const std::string& records, std::size_t rows)
{
    if (writeEnd_ < 0) {
        leftOut_ += rows;
        return;
    }
    // The rows left out before these go first, as a 'rows dropped' row with their count.
    const std::uint64_t told = leftOut_;
    std::string message;
    if (told > 0)
        appendFeedRecord(message, {0, Direction::None, RowKind::RowsDropped, {}, std::to_string(told)});
    message += records;
    const ssize_t written = ::write(writeEnd_, message.data(), message.size());
    if (written == static_cast<ssize_t>(message.size())) {
        leftOut_ -= told;
        return;
    }
    leftOut_ += rows;
    // A full pipe takes rows again later; a reader that has gone never does.
    if (written < 0 && errno != EAGAIN && errno != EINTR) {
        ::close(writeEnd_);
        writeEnd_ = -1;
    }
}

std::vector<TapRow> LiveFeed::take(std::uint64_t* leftOut)
{
    if (leftOut != nullptr)
        *leftOut = 0;
    if (readEnd_ < 0)
        return {};
    // What the pipe holds now, and no more: a writer that keeps writing waits for the next take.
    char chunk[16 * 1024];
    for (std::size_t got = 0; got < kPipeBytes;) {
        const ssize_t n = ::read(readEnd_, chunk, sizeof chunk);
        if (n > 0) {
            pending_.append(chunk, static_cast<std::size_t>(n));
            got += static_cast<std::size_t>(n);
            continue;
        }
        ended_ = n == 0 || (errno != EAGAIN && errno != EINTR);
        break;
    }
    std::vector<TapRow> records;
    takeFeedRecords(pending_, records);
    std::vector<TapRow> rows;
    rows.reserve(records.size());
    for (TapRow& row : records) {
        if (row.kind != RowKind::RowsDropped)
            rows.push_back(std::move(row));
        else if (leftOut != nullptr)
            *leftOut += std::strtoull(row.note.c_str(), nullptr, 10);
    }
    return rows;
}
