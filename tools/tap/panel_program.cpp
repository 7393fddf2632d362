#include "panel_program.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kPanel = "pelmora";

bool runnable(const std::string& file)
{
    struct stat status {};
    return ::stat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ::access(file.c_str(), X_OK) == 0;
}

std::string ownFolder()
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return {};
    const std::string path(self, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/'));
}

} // namespace

std::string findPanelProgram(const std::string& folder, const std::string& path, std::string& error)
{
    if (!folder.empty() && runnable(folder + "/" + kPanel))
        return folder + "/" + kPanel;
    // An empty entry of PATH is the current folder, as for the shell.
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string entry = path.substr(start, end - start);
        const std::string candidate = (entry.empty() ? std::string(".") : entry) + "/" + kPanel;
        if (!path.empty() && runnable(candidate))
            return candidate;
        start = end + 1;
    }
    error = std::string("no panel program to start: there is no runnable ") + kPanel + " in " + folder
        + " (beside this program) nor on PATH";
    return {};
}

std::string findPanelProgram(std::string& error)
{
    const char* path = std::getenv("PATH");
    return findPanelProgram(ownFolder(), path != nullptr ? path : "", error);
}
