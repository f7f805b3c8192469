// For any settings text and any value that can be written: after writing [Option] Num=value,
// reading gives the value and every other key reads as it did before. The first byte says how
// many of the next bytes are the value (0 to 7), the rest is the text.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/linux/ini_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t length = data[0] % 8u;
    if (size < 1 + length) return 0;
    const std::string value(reinterpret_cast<const char*>(data) + 1, length);
    if (!gauzel::WritableIniValue(value)) return 0;  // the writer refuses it
    const std::string_view text(reinterpret_cast<const char*>(data) + 1 + length, size - 1 - length);
    const std::string written = gauzel::WithIniValue(text, "Option", "Num", value);

    auto expected = gauzel::IniValues(text);
    expected[{"option", "num"}] = value;
    if (gauzel::IniValues(written) != expected) std::abort();
    if (gauzel::IniValue(written, "OPTION", "num") != value) std::abort();
    return 0;
}
