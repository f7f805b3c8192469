#pragma once
// Text that may grow with a hundred thousand entries (a report's rows, a saved scan) goes out in
// writes of about 64 KiB as it is built, so the memory does not grow with it. The first write
// that fails keeps its reason.

#include <cerrno>
#include <cstddef>
#include <ostream>
#include <string>

namespace gauzel {

class ChunkedOutput {
public:
    explicit ChunkedOutput(std::ostream& out) : m_out(out) {}
    ~ChunkedOutput() { Write(); }
    ChunkedOutput(const ChunkedOutput&) = delete;
    ChunkedOutput& operator=(const ChunkedOutput&) = delete;

    std::string& text() { return m_text; }
    // At the end of a line or an entry: writes what has gathered once it is large enough.
    void Done() {
        if (m_text.size() >= kWriteBytes) Write();
    }
    // Writes everything and flushes: whether every write went out.
    bool Finish() {
        Write();
        errno = 0;
        m_out.flush();
        Failed();
        return static_cast<bool>(m_out);
    }
    // The errno of the first write that failed (EIO when none was told), or 0.
    int Error() const { return m_error; }

private:
    static constexpr std::size_t kWriteBytes = 64 * 1024;
    void Write() {
        if (m_text.empty()) return;
        errno = 0;
        m_out.write(m_text.data(), static_cast<std::streamsize>(m_text.size()));
        Failed();
        m_text.clear();
    }
    // The reason is kept when a write fails: later calls would replace it by the end.
    void Failed() {
        if (!m_out && m_error == 0) m_error = errno != 0 ? errno : EIO;
    }
    std::ostream& m_out;
    std::string m_text;
    int m_error = 0;
};

}  // namespace gauzel
