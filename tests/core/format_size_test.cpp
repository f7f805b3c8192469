#include <gtest/gtest.h>

#include "view/display/format_size.h"

namespace gauzel {
namespace {

struct Row {
    double bytes;
    const char* inBytes;
    const char* inKilobytes;
    const char* inMegabytes;
};

TEST(FormatSize, ExamplesInAllThreeUnits) {
    const Row rows[] = {
        {0, "0", "0K", "0M"},
        {499, "499", "0K", "0M"},
        {1499, "1,499", "1K", "0M"},
        {2500, "2,500", "3K", "0M"},  // an exact half goes away from zero
        {1234567, "1,234,567", "1,235K", "1M"},
        {1999999999, "1,999,999,999", "2,000,000K", "2,000M"},
        {999, "999", "1K", "0M"},
        {1000, "1,000", "1K", "0M"},
        {1000000, "1,000,000", "1,000K", "1M"},
        {123456, "123,456", "123K", "0M"},
        {500, "500", "1K", "0M"},
        {1500000, "1,500,000", "1,500K", "2M"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatSize(row.bytes, Units::Bytes), row.inBytes) << row.bytes;
        EXPECT_EQ(FormatSize(row.bytes, Units::Kilobytes), row.inKilobytes) << row.bytes;
        EXPECT_EQ(FormatSize(row.bytes, Units::Megabytes), row.inMegabytes) << row.bytes;
    }
}

TEST(FormatSize, UnknownStoredUnitsFormatAsPlainBytes) {
    EXPECT_EQ(FormatSize(2500, UnitsOf(3)), "2,500");
    EXPECT_EQ(FormatSize(2500, UnitsOf(-1)), "2,500");
    EXPECT_EQ(FormatSize(2500, UnitsOf(7)), "2,500");
    EXPECT_EQ(FormatSize(2500, UnitsOf(1)), "3K");
}

TEST(FormatSize, LargeValuesGroupWithoutLimitOrLeadingComma) {
    EXPECT_EQ(FormatSize(5000000000.0, Units::Bytes), "5,000,000,000");
    EXPECT_EQ(FormatSize(999999999999999.0, Units::Bytes), "999,999,999,999,999");
    EXPECT_EQ(FormatSize(1e18, Units::Bytes), "1,000,000,000,000,000,000");
    EXPECT_EQ(FormatSize(1e300, Units::Bytes).size(), 301u + 100u);
    EXPECT_EQ(FormatSize(100000, Units::Bytes), "100,000");
}

TEST(FormatPercent, RoundsHalvesUpAndShowsAHundredForAnUnknownVolume) {
    EXPECT_EQ(FormatPercent(1234567, 10000000), "(12%)");
    EXPECT_EQ(FormatPercent(10, 10), "(100%)");
    EXPECT_EQ(FormatPercent(0, 10), "(0%)");
    EXPECT_EQ(FormatPercent(5, 1000), "(1%)");  // 0.5 %
    EXPECT_EQ(FormatPercent(25, 1000), "(3%)");  // 2.5 %, where glibc alone would print 2
    EXPECT_EQ(FormatPercent(5, 0), "(100%)");
}

}  // namespace
}  // namespace gauzel
