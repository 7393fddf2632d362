// The link to a device: it replaces only a symlink or nothing, and takes away only itself.
#include "device_link.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Folder {
    Folder()
    {
        std::string pattern = testing::TempDir() + "device_link_XXXXXX";
        path = ::mkdtemp(pattern.data());
    }
    ~Folder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

std::string contents(const std::string& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string target(const std::string& link)
{
    char text[256] = {};
    return ::readlink(link.c_str(), text, sizeof text - 1) > 0 ? text : "";
}

bool exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

TEST(DeviceLink, MadeOverNothingOrAStaleLinkAndRemovedOnExit)
{
    const Folder folder;
    const std::string fresh = folder.path + "/fresh";
    const std::string stale = folder.path + "/stale";
    ASSERT_EQ(::symlink("/nonexistent", stale.c_str()), 0);
    {
        DeviceLink a, b;
        std::string error;
        EXPECT_EQ(a.create(fresh, "/dev/pts/99", error), DeviceLink::Result::Made) << error;
        EXPECT_EQ(b.create(stale, "/dev/pts/98", error), DeviceLink::Result::Made) << error;
        EXPECT_EQ(target(fresh), "/dev/pts/99");
        EXPECT_EQ(target(stale), "/dev/pts/98");
    }
    EXPECT_FALSE(exists(fresh));
    EXPECT_FALSE(exists(stale));
}

TEST(DeviceLink, NeverReplacesAFileOrAFolder)
{
    const Folder folder;
    const std::string notes = folder.path + "/notes.txt";
    std::ofstream(notes) << "keep me\n";
    DeviceLink link;
    std::string error;
    EXPECT_EQ(link.create(notes, "/dev/pts/99", error), DeviceLink::Result::Refused);
    EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
    EXPECT_EQ(link.create(folder.path, "/dev/pts/99", error), DeviceLink::Result::Refused);
    EXPECT_EQ(link.create(folder.path + "/no/such/folder", "/dev/pts/99", error), DeviceLink::Result::Failed);
    EXPECT_EQ(contents(notes), "keep me\n");
}

TEST(DeviceLink, LeavesWhatTookItsPlaceMeanwhile)
{
    const Folder folder;
    const std::string byFile = folder.path + "/by_file";
    const std::string byLink = folder.path + "/by_link";
    {
        DeviceLink a, b;
        std::string error;
        ASSERT_EQ(a.create(byFile, "/dev/pts/99", error), DeviceLink::Result::Made);
        ASSERT_EQ(b.create(byLink, "/dev/pts/99", error), DeviceLink::Result::Made);
        // Another program, or the user, puts something else there.
        ASSERT_EQ(::unlink(byFile.c_str()), 0);
        std::ofstream(byFile) << "new\n";
        ASSERT_EQ(::unlink(byLink.c_str()), 0);
        ASSERT_EQ(::symlink("/dev/pts/99", byLink.c_str()), 0);
    }
    EXPECT_EQ(contents(byFile), "new\n");
    EXPECT_EQ(target(byLink), "/dev/pts/99") << "a link made by someone else, even to the same place";
}

} // namespace
