#pragma once
// JSON strings and members as the program writes them: the report's JSON and the saved scans alike.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/profile/byte_count.h"

namespace gauzel {

// What becomes of bytes that are not UTF-8.
enum class JsonBytes {
    kUtf8,  // each bad sequence is U+FFFD: strict JSON (the report, as nlohmann-json's dump writes it)
    kRaw,   // every byte as it is (a saved scan's names, as ncdu writes them)
};

// `bytes` as a JSON string: quote, backslash and control characters escaped (DEL too, for kRaw),
// every other character as it is. `logical`: a logical name, whose "/" is the real name's "\", written so.
void AppendJsonString(std::string& json, std::string_view bytes, JsonBytes mode, bool logical = false);

// A control character (below 0x20, or DEL) as JSON writes it in a string: \b \t \n \f \r, else
// \u00HH.
void AppendJsonControl(std::string& json, unsigned char control);

// `"key":value`, the value exact at any size; a time in seconds since 1970 may be negative.
void AppendJsonMember(std::string& json, std::string_view key, ByteCount value);
void AppendJsonMember(std::string& json, std::string_view key, std::int64_t value);
void AppendJsonMember(std::string& json, std::string_view key, bool value);

}  // namespace gauzel
