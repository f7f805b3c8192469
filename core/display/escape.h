#pragma once
// Names are bytes. These turn them into text that shows every name as itself and no two names
// alike: what would break a line, move the cursor, reverse or hide text, or is not UTF-8 at all
// is written as an escape. A logical name never holds "\" (a real one reads as "/"), so an escape
// cannot be mistaken for part of a name.

#include <cstddef>
#include <string>
#include <string_view>

namespace gauzel {

// One step of UTF-8 decoding at the start of `text` (not empty): the code point and its length,
// or, where the bytes are not UTF-8, `valid` false and the length of the longest start of a
// well-formed sequence (at least 1), which stands for one bad character.
struct Utf8Step {
    char32_t codePoint;
    std::size_t length;
    bool valid;
};
Utf8Step DecodeUtf8(std::string_view text);

// Whether a code point is shown as an escape: the C0 and C1 controls and DEL, the line and
// paragraph separators, and the invisible and bidirectional format characters.
bool IsEscapedCodePoint(char32_t codePoint);

// Whether `text` is UTF-8 throughout.
bool IsUtf8(std::string_view text);

// A "file:" URI of a real path (bytes): every byte but letters, digits, "-._~" and "/" as %HH,
// so a name that is not UTF-8 keeps its bytes.
std::string FileUri(std::string_view realPath);

// `text` with those code points as \n, \t, \r, \xHH (below 0x80) or \uHHHH, and each byte that
// is not part of a UTF-8 character as \xHH.
std::string EscapeControls(std::string_view text);
// The same, appended to `escaped`.
void AppendEscaped(std::string& escaped, std::string_view text);

}  // namespace gauzel
