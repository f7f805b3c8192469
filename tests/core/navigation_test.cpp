#include <gtest/gtest.h>

#include "core/commands/navigation.h"

namespace gauzel {
namespace {

TEST(Navigation, DescendGoUpAndGoToRoot) {
    EXPECT_EQ(Descend("C:", "WINDOWS"), (Place{"C:\\WINDOWS", true}));
    EXPECT_EQ(Descend("C:\\WINDOWS", "SYSTEM"), (Place{"C:\\WINDOWS\\SYSTEM", true}));
    EXPECT_EQ(GoUp("C:\\WINDOWS\\SYSTEM"), (Place{"C:\\WINDOWS", true}));
    EXPECT_EQ(GoUp("C:\\WINDOWS"), (Place{"C:", false}));
    EXPECT_EQ(GoUp("C:"), (Place{"C:", false}));  // not reachable through the commands; harmless
    EXPECT_EQ(GoToRoot("C:\\WINDOWS\\SYSTEM"), (Place{"C:", false}));
    EXPECT_EQ(GoToRoot("D:"), (Place{"D:", false}));
}

TEST(Navigation, NamesWithBackslashFreeBytesAndLongPathsSurvive) {
    const std::string longName(300, 'n');
    Place place = Descend("C:", longName);
    place = Descend(place.path, "a/b");  // a real name with "\" in its logical form
    place = Descend(place.path, "\xff\xfe");
    EXPECT_EQ(GoUp(GoUp(place.path).path), (Place{"C:\\" + longName, true}));
}

TEST(Navigation, DriveEntries) {
    EXPECT_EQ(DriveRoot("[-c-] /"), (Place{"C:", false}));
    EXPECT_EQ(DriveRoot("[-t-] /home/me"), (Place{"T:", false}));
    EXPECT_EQ(DriveRoot(""), std::nullopt);

    const std::vector<std::string> entries{"[-c-] /", "[-d-] /home", "[-e-] /mnt/usb"};
    EXPECT_EQ(DriveIndexForDirectory(entries, "D:\\WORK\\SRC"), 1u);
    EXPECT_EQ(DriveIndexForDirectory(entries, "C:"), 0u);
    EXPECT_EQ(DriveIndexForDirectory(entries, "\\\\server\\share"), 3u);  // no match: no selection
    EXPECT_EQ(DriveIndexForDirectory(entries, "d:\\x"), 3u);  // the directory's letter is not upper-cased
    EXPECT_EQ(DriveIndexForDirectory({}, "C:"), 0u);
    EXPECT_EQ(DriveIndexForDirectory(entries, ""), 3u);
}

}  // namespace
}  // namespace gauzel
