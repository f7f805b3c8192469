#pragma once

#include <string>

namespace gauzel {

// The units sizes are shown in: kilobytes are 1000 bytes, megabytes 1000000. The settings file
// keeps them as the integers 0, 1 and 2 ([Option] Num); any other stored value shows bytes.
enum class Units { Bytes = 0, Kilobytes = 1, Megabytes = 2 };
constexpr Units UnitsOf(int stored) {
    return stored == 1 ? Units::Kilobytes : stored == 2 ? Units::Megabytes : Units::Bytes;
}

// A whole number, exact halves away from zero (glibc's "%.0f" would round them to even).
std::string FormatWhole(double value);

// The one text of a byte count: scaled to the units, rounded, digits grouped in threes with
// commas, then "K" or "M". 2500 bytes in kilobytes is "3K".
std::string FormatSize(double bytes, Units units);

// The free share of the volume as "(12%)"; "(100%)" when the volume size is unknown (0).
std::string FormatPercent(double freeBytes, double diskBytes);

}  // namespace gauzel
