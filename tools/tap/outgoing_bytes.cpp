#include "outgoing_bytes.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

bool OutgoingBytes::send(int fd, const std::uint8_t* data, std::size_t size)
{
    if (bytes_.empty()) {
        while (size > 0) {
            const ssize_t n = ::write(fd, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return false;
            if (n <= 0)
                break;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }
    bytes_.insert(bytes_.end(), data, data + size);
    while (bytes_.size() > kLimit)
        bytes_.pop_front();
    return true;
}

bool OutgoingBytes::flush(int fd)
{
    if (bytes_.empty())
        return true;
    const std::vector<std::uint8_t> all(bytes_.begin(), bytes_.end());
    bytes_.clear();
    return send(fd, all.data(), all.size());
}
