#include "recording_file.h"

#include "recording_reader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether the file's first line is a recording's header.
bool holdsRecording(int fd)
{
    char start[4096];
    const ssize_t n = ::pread(fd, start, sizeof start, 0);
    if (n <= 0)
        return false;
    const std::string text(start, static_cast<std::size_t>(n));
    std::istringstream firstLine(text.substr(0, text.find('\n')));
    std::string error;
    return readRecording(firstLine, [](const TapRow&, std::string_view) {}, [](const std::string&) {}, error);
}

bool endsWithNewline(int fd, off_t size)
{
    char last = 0;
    return ::pread(fd, &last, 1, size - 1) == 1 && last == '\n';
}

} // namespace

RecordingFileOpened openRecordingFile(const std::string& path, ExistingRecording existing, RecordingFile& file,
                                      std::string& error)
{
    if (path.empty()) {
        file.fd = STDOUT_FILENO;
        file.name = "standard output";
        return RecordingFileOpened::Ready;
    }
    // Added to only after a look at what it holds.
    const int flags = O_CREAT | O_CLOEXEC | (existing == ExistingRecording::Append ? O_RDWR | O_APPEND : O_WRONLY);
    const int fd = ::open(path.c_str(), flags, 0644);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return RecordingFileOpened::Failed;
    }
    file.fd = fd;
    file.owned = true;
    file.name = path;
    if (!S_ISREG(status.st_mode) || status.st_size == 0)
        return RecordingFileOpened::Ready;
    const auto refuse = [&](const std::string& why) {
        error = why;
        ::close(fd);
        file = RecordingFile();
        return RecordingFileOpened::Refused;
    };
    switch (existing) {
    case ExistingRecording::Refuse:
        return refuse(path + " already holds " + std::to_string(status.st_size)
                      + " bytes: add to it with --append, replace it with --force, or choose another file");
    case ExistingRecording::Replace:
        if (::ftruncate(fd, 0) != 0) {
            error = "cannot empty " + path + ": " + std::strerror(errno);
            ::close(fd);
            file = RecordingFile();
            return RecordingFileOpened::Failed;
        }
        return RecordingFileOpened::Ready;
    case ExistingRecording::Append:
        break;
    }
    if (!holdsRecording(fd))
        return refuse(path + " is not a recording (its first line is no recording's header): --append adds "
                             "only to a recording");
    file.needsHeader = false;
    // A recording cut off in the middle of a row: the new rows start on a line of their own.
    if (!endsWithNewline(fd, status.st_size) && ::write(fd, "\n", 1) != 1) {
        error = "cannot write to " + path + ": " + std::strerror(errno);
        ::close(fd);
        file = RecordingFile();
        return RecordingFileOpened::Failed;
    }
    return RecordingFileOpened::Ready;
}
