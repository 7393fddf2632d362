#include "csv_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

CsvWriter::~CsvWriter()
{
    if (owned_ && fd_ >= 0)
        ::close(fd_);
}

bool CsvWriter::open(const std::string& path, std::string& error)
{
    if (path.empty()) {
        fd_ = STDOUT_FILENO;
        name_ = "standard output";
        return true;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    owned_ = true;
    name_ = path;
    return true;
}

void CsvWriter::write(const std::string& text)
{
    if (failed_ || fd_ < 0)
        return;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed_ = true;
            std::fprintf(stderr, "pelmora-tap: cannot write to %s: %s; recording stopped, forwarding goes on\n",
                         name_.c_str(), n < 0 ? std::strerror(errno) : "nothing written");
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}
