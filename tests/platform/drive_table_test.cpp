#include <gtest/gtest.h>

#include "platform/drive_table.h"
#include "platform/linux/mounts.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/temp_tree.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace gauzel {
namespace {

std::vector<std::pair<char, std::string>> Letters(const DriveTable& table) {
    std::vector<std::pair<char, std::string>> letters;
    for (const Drive& drive : table.Drives()) letters.emplace_back(drive.letter, drive.directory);
    return letters;
}

TEST(Drives, RootIsCAndMountsTakeLettersInPathOrder) {
    const DriveTable table = MakeDriveTable({"/mnt/usb", "/home", "/", "/home"}, {});
    EXPECT_EQ(Letters(table),
              (std::vector<std::pair<char, std::string>>{{'C', "/"}, {'D', "/home"}, {'E', "/mnt/usb"}}));
    EXPECT_EQ(DriveTable::EntryText(table.Drives()[1]), "[-d-] /home");
}

TEST(Drives, HandMappingsWinAndAreSkippedByTheAutomaticLetters) {
    const DriveTable table = MakeDriveTable(
        {"/home", "/srv"}, {{"d", "/data/photos/"}, {"T", "/tmp//x"}, {"bad", "/y"}, {"E", "relative"}});
    EXPECT_EQ(Letters(table),
              (std::vector<std::pair<char, std::string>>{
                  {'C', "/"}, {'D', "/data/photos"}, {'E', "/home"}, {'F', "/srv"}, {'T', "/tmp/x"}}));
    EXPECT_EQ(Letters(MakeDriveTable({}, {{"C", "/home/me"}})),
              (std::vector<std::pair<char, std::string>>{{'C', "/home/me"}}));
}

TEST(Drives, LogicalAndRealPathsMapBothWays) {
    const DriveTable table = MakeDriveTable({"/home"}, {{"T", "/home/me/photos"}});
    EXPECT_EQ(table.ToLogical("/home/me/src"), "D:\\me\\src");
    EXPECT_EQ(table.ToLogical("/home/me/photos/2024"), "T:\\2024");
    EXPECT_EQ(table.ToLogical("/home/me/photosynth"), "D:\\me\\photosynth");  // whole names only
    EXPECT_EQ(table.ToLogical("/home"), "D:");
    EXPECT_EQ(table.ToLogical("/"), "C:");
    EXPECT_EQ(table.ToLogical("/etc/a\\b"), "C:\\etc\\a/b");

    const std::optional<RealPath> real = table.ToReal("c:\\etc\\a/b");
    ASSERT_TRUE(real);
    EXPECT_EQ(real->Joined(), "/etc/a\\b");
    EXPECT_EQ(table.ToReal("D:")->Joined(), "/home");
    EXPECT_EQ(table.ToReal("C:\\")->Joined(), "/");
    EXPECT_EQ(table.ToReal("Q:\\x"), std::nullopt);
    EXPECT_EQ(table.ToReal("C:\\..\\etc"), std::nullopt);
    EXPECT_EQ(table.ToReal("nonsense"), std::nullopt);
}

TEST(Drives, ACommandLineDirectoryIsTakenFromTheCurrentDirectoryThroughLinks) {
    const testing::TempTree tree;
    tree.Dir("photos/2024");
    tree.File("photos/notes", 1);
    tree.Symlink("photos/2024", "latest");
    char root[PATH_MAX];
    ASSERT_NE(realpath(tree.Root().c_str(), root), nullptr);
    LinuxFileSystem fileSystem(MakeDriveTable({}, {{"T", root}}));
    const testing::MemorySettings settings;
    const LinuxDriveList drives(fileSystem, settings);
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(root), 0);
    EXPECT_EQ(drives.Resolve("photos/2024").path, "T:\\photos\\2024");
    EXPECT_EQ(drives.Resolve("latest").path, "T:\\photos\\2024");
    EXPECT_EQ(drives.Resolve("photos/notes").error, "Not a directory");
    EXPECT_EQ(drives.Resolve("missing").error, "No such file or directory");
    EXPECT_EQ(drives.RealPathOf("T:\\photos\\2024"), std::string(root) + "/photos/2024");
    ASSERT_EQ(chdir(previous), 0);
}

TEST(Drives, MountTableGivesBlockAndNetworkFilesystemsOnly) {
    const std::string mountInfo =
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "28 27 8:17 / /mnt/my\\040disk rw,relatime shared:5 - ext4 /dev/sdb1 rw\n"
        "29 27 0:50 / /run/user/1000 rw - tmpfs tmpfs rw\n"
        "30 27 7:3 / /snap/core/1 ro - squashfs /dev/loop3 ro\n"
        "31 27 0:60 / /net/share rw - nfs4 server:/export rw\n"
        "32 27 8:1 / /boot/efi rw - vfat /dev/sda1 rw\n"
        "33 27 0:61 / /net/dead rw - cifs //dead/share rw\n"
        "34 27 254:0 /var/lib/c/hosts /etc/hosts rw - ext4 /dev/vda rw\n"
        "35 27 0:33 /@home /home rw - btrfs /dev/sda2 rw\n"
        "broken line\n";
    // Only the binds of a part of a filesystem are looked at; a network share never is, so a
    // dead server cannot hang the start.
    std::vector<std::string> asked;
    const auto isDirectory = [&asked](const std::string& path) {
        asked.push_back(path);
        return path == "/home";
    };
    EXPECT_EQ(
        ParseDriveMounts(mountInfo, isDirectory),
        (std::vector<std::string>{"/", "/mnt/my disk", "/net/share", "/boot/efi", "/net/dead", "/home"}));
    EXPECT_EQ(asked, (std::vector<std::string>{"/etc/hosts", "/home"}));
}

}  // namespace
}  // namespace gauzel
