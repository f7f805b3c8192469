#include "core/saved/json_writer.h"

#include "core/display/escape.h"
#include "core/display/format_size.h"

namespace gauzel {

void AppendJsonString(std::string& json, std::string_view bytes, JsonBytes mode, bool logical) {
    json += '"';
    std::size_t plain = 0;  // the start of the bytes not yet written, which need no escape
    for (std::size_t i = 0; i < bytes.size();) {
        const char c = bytes[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const Utf8Step step =
                mode == JsonBytes::kRaw ? Utf8Step{0, 1, true} : DecodeUtf8(bytes.substr(i));
            if (!step.valid) {
                json.append(bytes.data() + plain, i - plain);
                json += "\xEF\xBF\xBD";
                plain = i + step.length;
            }
            i += step.length;
            continue;
        }
        ++i;
        // DEL too where the bytes stay raw: ncdu's reader takes it for no character (it stops
        // there), and ncdu writes it escaped; nlohmann-json's dump, which the report follows, not.
        const bool control = byte < 0x20 || (byte == 0x7F && mode == JsonBytes::kRaw);
        if (c != '"' && c != '\\' && !control && !(logical && c == '/')) continue;
        json.append(bytes.data() + plain, i - 1 - plain);
        plain = i;
        if (c == '"' || c == '\\' || c == '/') {  // a logical name's "/" is the real name's "\"
            json += '\\';
            json += c == '/' ? '\\' : c;
        } else {
            AppendJsonControl(json, byte);
        }
    }
    json.append(bytes.data() + plain, bytes.size() - plain);
    json += '"';
}

void AppendJsonControl(std::string& json, unsigned char control) {
    static constexpr char kHex[] = "0123456789abcdef";
    switch (control) {
        case '\b': json += "\\b"; break;
        case '\t': json += "\\t"; break;
        case '\n': json += "\\n"; break;
        case '\f': json += "\\f"; break;
        case '\r': json += "\\r"; break;
        default:
            json += "\\u00";
            json += kHex[control >> 4];
            json += kHex[control & 0xF];
    }
}

namespace {

void AppendKey(std::string& json, std::string_view key) {
    json += '"';
    json += key;
    json += "\":";
}

}  // namespace

void AppendJsonMember(std::string& json, std::string_view key, ByteCount value) {
    AppendKey(json, key);
    AppendDecimal(json, value);
}

void AppendJsonMember(std::string& json, std::string_view key, std::int64_t value) {
    AppendKey(json, key);
    if (value < 0) json += '-';
    AppendDecimal(json,
                  value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value));
}

void AppendJsonMember(std::string& json, std::string_view key, bool value) {
    AppendKey(json, key);
    json += value ? "true" : "false";
}

}  // namespace gauzel
