#include "background_writer.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::uint64_t linesIn(const char* text, std::size_t size)
{
    return static_cast<std::uint64_t>(std::count(text, text + size, '\n'));
}

} // namespace

struct BackgroundWriter::Shared {
    int fd = -1;
    bool owned = false;
    bool regular = false;
    std::size_t limit = 0;
    Hooks hooks;

    std::mutex mutex;
    std::condition_variable work;  // something to write, or stop
    std::condition_variable done;  // the thread has ended
    std::deque<std::string> pieces;  // whole lines, each at most kChunk bytes unless one line is longer
    std::size_t queuedBytes = 0;
    std::uint64_t queuedLines = 0;
    std::uint64_t inFlight = 0;      // lines of the chunk being written
    std::uint64_t droppedSinceNotice = 0;
    std::uint64_t dropped = 0;
    std::uint64_t unwritten = 0;
    bool failed = false;
    bool stopping = false;
    bool ended = false;
    std::thread thread;

    // Called with the mutex held.
    void queue(const std::string& text)
    {
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = start + kChunk < text.size() ? text.rfind('\n', start + kChunk - 1) : text.size() - 1;
            if (end == std::string::npos || end < start)
                end = text.find('\n', start);
            end = end == std::string::npos ? text.size() : end + 1;
            pieces.emplace_back(text, start, end - start);
            start = end;
        }
        queuedBytes += text.size();
        queuedLines += linesIn(text.data(), text.size());
        work.notify_one();
    }

    // Writes all of `chunk`; on failure cuts a regular file back to its last whole line
    // and says how many of the chunk's lines were written.
    bool writeWhole(const std::string& chunk, std::uint64_t& linesWritten, std::string& reason)
    {
        std::size_t written = 0;
        while (written < chunk.size()) {
            const ssize_t n = ::write(fd, chunk.data() + written, chunk.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                // Someone made the descriptor non-blocking; wait for it as a blocking write would.
                pollfd ready{fd, POLLOUT, 0};
                ::poll(&ready, 1, -1);
                continue;
            }
            reason = n < 0 ? std::strerror(errno) : "nothing written";
            const std::size_t whole = written == 0 ? 0 : chunk.rfind('\n', written - 1) + 1;
            if (regular && written > whole) {
                const off_t end = ::lseek(fd, 0, SEEK_CUR);
                if (end >= 0 && ::ftruncate(fd, end - static_cast<off_t>(written - whole)) == 0)
                    ::lseek(fd, end - static_cast<off_t>(written - whole), SEEK_SET);
            }
            linesWritten = linesIn(chunk.data(), whole);
            return false;
        }
        linesWritten = linesIn(chunk.data(), chunk.size());
        return true;
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            work.wait(lock, [&] { return !pieces.empty() || stopping; });
            if (pieces.empty())
                break;
            std::string chunk = std::move(pieces.front());
            pieces.pop_front();
            while (!pieces.empty() && chunk.size() + pieces.front().size() <= kChunk) {
                chunk += pieces.front();
                pieces.pop_front();
            }
            const std::uint64_t lines = linesIn(chunk.data(), chunk.size());
            queuedBytes -= chunk.size();
            queuedLines -= lines;
            inFlight = lines;
            lock.unlock();
            std::uint64_t linesWritten = 0;
            std::string reason;
            const bool ok = writeWhole(chunk, linesWritten, reason);
            lock.lock();
            inFlight = 0;
            if (!ok) {
                failed = true;
                unwritten += lines - linesWritten + queuedLines;
                pieces.clear();
                queuedBytes = 0;
                queuedLines = 0;
                if (hooks.failed) {
                    lock.unlock();
                    hooks.failed(reason);
                    lock.lock();
                }
                break;
            }
        }
        ended = true;
        done.notify_all();
    }
};

BackgroundWriter::BackgroundWriter(int fd, bool owned, std::size_t limitBytes, Hooks hooks)
    : shared_(std::make_shared<Shared>())
{
    shared_->fd = fd;
    shared_->owned = owned;
    shared_->limit = limitBytes;
    shared_->hooks = std::move(hooks);
    struct stat status {};
    shared_->regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

BackgroundWriter::~BackgroundWriter()
{
    if (!finished_)
        finish(std::chrono::milliseconds(0));
}

void BackgroundWriter::start()
{
    // The thread shares the state, so it may outlive this object when abandoned.
    std::shared_ptr<Shared> shared = shared_;
    shared_->thread = std::thread([shared] { shared->run(); });
}

void BackgroundWriter::add(const std::string& lines)
{
    if (lines.empty())
        return;
    Shared& s = *shared_;
    const std::uint64_t count = linesIn(lines.data(), lines.size());
    bool firstDrop = false;
    {
        const std::lock_guard<std::mutex> lock(s.mutex);
        if (s.failed || s.stopping) {
            s.unwritten += count;
            return;
        }
        std::string notice;
        if (s.droppedSinceNotice > 0 && s.hooks.dropNotice)
            notice = s.hooks.dropNotice(s.droppedSinceNotice);
        if (s.queuedBytes + notice.size() + lines.size() > s.limit) {
            firstDrop = s.dropped == 0;
            s.dropped += count;
            s.droppedSinceNotice += count;
        } else {
            if (!notice.empty())
                s.queue(notice);
            s.droppedSinceNotice = 0;
            s.queue(lines);
        }
    }
    if (firstDrop && s.hooks.firstDrop)
        s.hooks.firstDrop();
}

BackgroundWriter::Outcome BackgroundWriter::finish(std::chrono::milliseconds limit)
{
    finished_ = true;
    Shared& s = *shared_;
    std::unique_lock<std::mutex> lock(s.mutex);
    // The count of what was left out goes in last, whatever room there is.
    if (s.droppedSinceNotice > 0 && s.hooks.dropNotice && !s.failed) {
        s.queue(s.hooks.dropNotice(s.droppedSinceNotice));
        s.droppedSinceNotice = 0;
    }
    s.stopping = true;
    s.work.notify_one();
    const bool ended = !s.thread.joinable() || s.done.wait_for(lock, limit, [&] { return s.ended; });
    Outcome outcome;
    outcome.dropped = s.dropped;
    outcome.unwritten = s.unwritten;
    if (!ended) {
        outcome.unwritten += s.queuedLines + s.inFlight;
        lock.unlock();
        s.thread.detach();
        return outcome;
    }
    lock.unlock();
    if (s.thread.joinable())
        s.thread.join();
    if (s.owned)
        ::close(s.fd);
    return outcome;
}
