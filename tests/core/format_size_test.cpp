#include <gtest/gtest.h>

#include "core/display/format_size.h"

namespace gauzel {
namespace {

struct Row {
    ByteCount bytes;
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
        EXPECT_EQ(FormatSize(row.bytes, Units::Bytes), row.inBytes) << row.inBytes;
        EXPECT_EQ(FormatSize(row.bytes, Units::Kilobytes), row.inKilobytes) << row.inBytes;
        EXPECT_EQ(FormatSize(row.bytes, Units::Megabytes), row.inMegabytes) << row.inBytes;
    }
}

TEST(FormatSize, UnknownStoredUnitsFormatAsPlainBytes) {
    EXPECT_EQ(FormatSize(2500, UnitsOf(3)), "2,500");
    EXPECT_EQ(FormatSize(2500, UnitsOf(-1)), "2,500");
    EXPECT_EQ(FormatSize(2500, UnitsOf(7)), "2,500");
    EXPECT_EQ(FormatSize(2500, UnitsOf(1)), "3K");
}

// Fault: sizes were doubles, so a count past 2^53 lost its last digits and one past 2^64 its meaning.
TEST(FormatSize, LargeValuesAreExactAndGroupWithoutLimit) {
    const ByteCount largestFile = (ByteCount{1} << 63) - 1;
    EXPECT_EQ(FormatSize(5000000000, Units::Bytes), "5,000,000,000");
    EXPECT_EQ(FormatSize((ByteCount{1} << 53) + 1, Units::Bytes), "9,007,199,254,740,993");
    EXPECT_EQ(FormatSize(3 * largestFile, Units::Bytes), "27,670,116,110,564,327,421");
    EXPECT_EQ(FormatSize(3 * largestFile, Units::Kilobytes), "27,670,116,110,564,327K");
    EXPECT_EQ(FormatSize(ByteCount{10000000000000000000u} * 10, Units::Bytes), "100,000,000,000,000,000,000");
    EXPECT_EQ(FormatSize(100000, Units::Bytes), "100,000");
}

TEST(FormatPercent, RoundsHalvesUpAndShowsAHundredForAnUnknownVolume) {
    EXPECT_EQ(FormatPercent(1234567, 10000000), "(12%)");
    EXPECT_EQ(FormatPercent(10, 10), "(100%)");
    EXPECT_EQ(FormatPercent(0, 10), "(0%)");
    EXPECT_EQ(FormatPercent(5, 1000), "(1%)");   // 0.5 %
    EXPECT_EQ(FormatPercent(25, 1000), "(3%)");  // 2.5 %, where glibc alone would print 2
    EXPECT_EQ(FormatPercent(5, 0), "(100%)");
}

}  // namespace
}  // namespace gauzel
