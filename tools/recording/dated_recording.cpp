#include "dated_recording.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kMostInOneSecond = 99;

std::string fileName(std::int64_t wallUs, int number)
{
    const std::time_t seconds = static_cast<std::time_t>(wallUs / 1'000'000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return std::string("pelmora-") + stamp + (number > 1 ? "-" + std::to_string(number) : std::string()) + ".csv";
}

} // namespace

std::string recordingFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Never empty on a desktop; without a home at all, the current folder.
    const QString base = documents.isEmpty() ? QDir::currentPath() : documents;
    return QDir(base).filePath(QStringLiteral("Pelmora")).toStdString();
}

bool openDatedRecording(const std::string& folder, std::int64_t wallUs, RecordingFile& file, std::string& error)
{
    if (!QDir().mkpath(QString::fromStdString(folder))) {
        error = "cannot make the folder " + folder + " for the recording";
        return false;
    }
    for (int number = 1; number <= kMostInOneSecond; ++number) {
        const std::string path = folder + "/" + fileName(wallUs, number);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            file.fd = fd;
            file.owned = true;
            file.needsHeader = true;
            file.name = path;
            return true;
        }
        if (errno != EEXIST) {
            error = "cannot create " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    error = "cannot create a new recording in " + folder + ": " + fileName(wallUs, 1) + " and "
        + std::to_string(kMostInOneSecond - 1) + " more of the same second exist";
    return false;
}
