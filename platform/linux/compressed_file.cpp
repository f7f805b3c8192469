#include "platform/linux/compressed_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>
#include <string_view>

namespace gauzel {

namespace {

// What zlib says went wrong with `file`, after a call that failed.
std::string Failure(gzFile file) {
    int code = Z_OK;
    const char* message = gzerror(file, &code);
    if (code == Z_ERRNO) return std::strerror(errno != 0 ? errno : EIO);
    if (code == Z_BUF_ERROR) return "the compressed data ends early";
    // zlib's message begins with the file's name ("<fd:3>: ").
    std::string_view why = message != nullptr ? message : "";
    if (const std::size_t colon = why.find(": "); colon != std::string_view::npos)
        why.remove_prefix(colon + 2);
    return "the compressed data is damaged (" + std::string(why) + ")";
}

}  // namespace

ReadBytes OpenFileToRead(const std::string& path, std::string& error) {
    const int fd = path == "-" ? dup(STDIN_FILENO) : open(path.c_str(), O_RDONLY | O_CLOEXEC);
    gzFile opened = fd < 0 ? nullptr : gzdopen(fd, "rb");
    if (opened == nullptr) {
        error = std::string("cannot be opened: ") + std::strerror(errno != 0 ? errno : ENOMEM);
        if (fd >= 0) close(fd);
        return nullptr;
    }
    gzbuffer(opened, 128 * 1024);
    std::shared_ptr<gzFile_s> file(opened, [](gzFile f) { gzclose(f); });
    return [file](char* buffer, std::size_t size, std::string& why) -> std::ptrdiff_t {
        const unsigned piece = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
        errno = 0;
        const int got = gzread(file.get(), buffer, piece);
        int code = Z_OK;
        gzerror(file.get(), &code);
        if (got < 0 || (got == 0 && code != Z_OK)) {
            why = "cannot be read: " + Failure(file.get());
            return -1;
        }
        return got;
    };
}

namespace {

class WholeFile final : public FileWrite {
public:
    WholeFile(std::string path, std::string part, int fd, bool compress)
        : m_path(std::move(path)), m_part(std::move(part)), m_output(fd, compress), m_out(&m_output) {}
    ~WholeFile() override {
        if (m_committed) return;
        m_output.Close();
        unlink(m_part.c_str());
    }
    std::ostream& Out() override { return m_out; }
    bool Commit() override {
        errno = 0;
        m_out.flush();
        if (!m_output.Close()) return false;
        if (rename(m_part.c_str(), m_path.c_str()) != 0) return false;
        m_committed = true;
        return true;
    }

private:
    std::string m_path;
    std::string m_part;  // written first, beside it
    GzipOutput m_output;
    std::ostream m_out;
    bool m_committed = false;
};

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::unique_ptr<FileWrite> OpenFileToWrite(const std::string& path, std::string& error) {
    static std::atomic<unsigned> made{0};
    const std::string part = path + ".part-" + std::to_string(getpid()) + '-' + std::to_string(made++);
    const int fd = open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = std::string("cannot be written: ") + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<WholeFile>(path, part, fd, EndsWith(path, ".gz"));
}

GzipOutput::GzipOutput(int fd, bool compress) : m_file(gzdopen(fd, compress ? "wb" : "wT")) {
    if (m_file == nullptr) {
        m_error = errno != 0 ? errno : ENOMEM;
        close(fd);
    }
}

GzipOutput::~GzipOutput() {
    if (m_file != nullptr) gzclose(static_cast<gzFile>(m_file));
}

bool GzipOutput::Close() {
    if (m_file != nullptr) {
        errno = 0;
        const int closed = gzclose(static_cast<gzFile>(m_file));
        m_file = nullptr;
        if (closed != Z_OK && m_error == 0) m_error = errno != 0 ? errno : EIO;
    }
    errno = m_error;
    return m_error == 0;
}

GzipOutput::int_type GzipOutput::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize GzipOutput::xsputn(const char* bytes, std::streamsize count) {
    if (m_file == nullptr || m_error != 0) return 0;
    errno = 0;
    if (count > 0 && gzwrite(static_cast<gzFile>(m_file), bytes, static_cast<unsigned>(count)) == 0) {
        m_error = errno != 0 ? errno : EIO;
        errno = m_error;
        return 0;
    }
    return count;
}

}  // namespace gauzel
