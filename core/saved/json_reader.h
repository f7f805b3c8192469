#pragma once
// A JSON reader that works a byte at a time: tokens in loops (a deep value never deepens the
// stack), strings kept as their bytes (an export holds names that are not UTF-8, which a strict
// JSON reader refuses), whole numbers exact to 2^64 - 1. A format's reader is built on top of it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace gauzel {

// Fills a buffer and returns how much, 0 at the end, or -1 with `error` set when the read failed.
using JsonSource = std::function<std::ptrdiff_t(char* buffer, std::size_t size, std::string& error)>;

class JsonReader {
public:
    static constexpr std::size_t kLongestKept = 4096;
    static constexpr std::size_t kLongestNumberShown = 40;

    explicit JsonReader(const JsonSource& read) : m_read(read) {}

    // What is wrong, the first failure's: empty while nothing is.
    const std::string& Error() const { return m_error; }
    // The failure was the source's, not the bytes'.
    bool ReadFailed() const { return !m_readError.empty(); }

protected:
    // Each returns false when it fails, the reason in Error(); a byte is -1 past the end.
    static bool IsDigit(int c) { return c >= '0' && c <= '9'; }
    int Peek();
    int Get();
    void SkipSpace();
    bool Fail(const std::string& what);
    // At the byte about to be read.
    bool FailHere(const std::string& what);
    bool Truncated() { return Fail("the file ends before the tree does (it is cut short)"); }
    // An unexpected byte, or the end.
    bool NotJson();
    bool Comma();
    bool Expect(const char* word);
    // After the opening quote: the string's bytes, escapes decoded. Kept ones longer than
    // kLongestKept fail (no name on Linux is longer than 255 bytes, no path than 4,096); others
    // are read without being kept, whatever their length.
    bool String(std::string& text, bool keep = true);
    // A JSON number's text, cut to kLongestNumberShown characters and "…".
    bool Number(std::string& text);
    // A whole number from 0 to 2^64 - 1.
    bool Integer(std::uint64_t& value, const std::string& what);
    bool Boolean(bool& value, const std::string& key);
    // Any value, however deep, in one loop, nothing of it kept (its nesting takes a byte a level).
    bool SkipValue();
    // After a member's value: `more` members follow (",") or the object ends ("}").
    bool MoreMembers(bool& more);
    // An object's key and its colon (before its value).
    bool Key();
    bool Ended() const { return m_ended; }

    std::string m_key;     // the last key read
    std::string m_number;  // the last number's text

private:
    bool Fill();
    bool Hex4(std::uint32_t& code);
    static void AppendUtf8(std::string& text, std::uint32_t code);

    const JsonSource& m_read;
    char m_buffer[1 << 16];
    std::size_t m_at = 0;
    std::size_t m_size = 0;
    std::uint64_t m_offset = 0;
    bool m_ended = false;
    std::string m_readError;
    std::string m_error;
    std::string m_text;  // a skipped string's last character
};

}  // namespace gauzel
