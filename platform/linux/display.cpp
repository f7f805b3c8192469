#include "platform/linux/display.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace gauzel {

namespace {

// Whether a Unix socket accepts a connection; `abstractName` is in the abstract namespace.
bool Answers(const std::string& path, bool abstractName) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() + 1 >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path + (abstractName ? 1 : 0), path.data(), path.size());
    const socklen_t length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + (abstractName ? 1 : 0));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    close(fd);
    return ok;
}

// A local X display (":0", "unix:0.0") must answer on its socket; a remote one is taken on trust.
bool XDisplayAnswers(const std::string& display) {
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    if (!host.empty() && host != "unix") return true;
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    const std::string socketPath = "/tmp/.X11-unix/X" + number;
    return Answers(socketPath, true) || Answers(socketPath, false);
}

}  // namespace

bool CanOpenDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && platform[0] != '\0') return true;  // the user chose one
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && wayland[0] != '\0') return true;
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && display[0] != '\0' && XDisplayAnswers(display);
}

}  // namespace gauzel
