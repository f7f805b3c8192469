#pragma once

#include <string>

#include "core/profile/byte_count.h"

namespace gauzel {

// The units sizes are shown in: kilobytes are 1000 bytes, megabytes 1000000. The settings file
// keeps them as the integers 0, 1 and 2 ([Option] Num); any other stored value shows bytes. Files:
// the numbers are numbers of files, not sizes (Count Files), shown as bytes are.
enum class Units { Bytes = 0, Kilobytes = 1, Megabytes = 2, Files = 3 };
constexpr Units UnitsOf(int stored) {
    return stored == 1 ? Units::Kilobytes : stored == 2 ? Units::Megabytes : Units::Bytes;
}

// n / d (d > 0) rounded to the nearest whole number, exact halves up.
constexpr ByteCount RoundedQuotient(ByteCount n, ByteCount d) { return (2 * n + d) / (2 * d); }

// The decimal digits of a byte count, exact at any size.
std::string Decimal(ByteCount value);
// The same, appended to `text`.
void AppendDecimal(std::string& text, ByteCount value);

// The one text of a byte count: scaled to the units and rounded (exact halves away from zero),
// digits grouped in threes with commas, then "K" or "M". 2500 bytes in kilobytes is "3K".
std::string FormatSize(ByteCount bytes, Units units);
// What follows that text in a sentence: " bytes", " files" (" file" for one), nothing for the
// scaled units, whose letter says it.
const char* UnitWord(ByteCount value, Units units);

// The free share of the volume as "(12%)", rounded like sizes; "(100%)" when the volume size is
// unknown (0).
std::string FormatPercent(ByteCount freeBytes, ByteCount diskBytes);

}  // namespace gauzel
