// The composition root: the Linux file system, drives and settings, handed to the window.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/gauzel.h"
#include "core/commands/command_line.h"
#include "core/kinds/mime_types.h"
#include "platform/linux/compressed_file.h"
#include "platform/linux/ini_settings.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/mime_database.h"
#include "platform/linux/mounts.h"
#include "ui/message_box.h"

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

bool CanOpenDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && platform[0] != '\0') return true;  // the user chose one
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && wayland[0] != '\0') return true;
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && display[0] != '\0' && XDisplayAnswers(display);
}

}  // namespace

int main(int argc, char** argv) {
    const gauzel::CommandLine line =
        gauzel::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
        case gauzel::CommandLine::Action::Help: std::fputs(gauzel::UsageText().c_str(), stdout); return 0;
        case gauzel::CommandLine::Action::Version:
            std::fputs(gauzel::VersionText().c_str(), stdout);
            return 0;
        case gauzel::CommandLine::Action::Usage:
            std::fprintf(stderr, "gauzel: %s\n%s", line.problem.c_str(), gauzel::UsageText().c_str());
            return 2;
        case gauzel::CommandLine::Action::Run: break;
    }
    if (!CanOpenDisplay()) {
        std::fprintf(stderr,
                     "gauzel: no display to open (DISPLAY and WAYLAND_DISPLAY name none that answers); "
                     "gauzel-report prints the same profile as text\n");
        return 1;
    }
    gauzel::RaiseDescriptorLimit();
    // The services first: the application owns the frame, which refers to them, so they must
    // outlive it.
    gauzel::IniSettings settings(gauzel::DefaultSettingsPath("gauzel"));
    gauzel::LinuxFileSystem fileSystem(gauzel::LoadDriveTable(settings));
    gauzel::LinuxDriveList driveList(fileSystem, settings);
    gauzel::QtMessageBoxes messages;
    gauzel::CGauzelApp app(argc, argv);
    // The type database is read once: every rescan types the files' names by it.
    const auto types = std::make_shared<const gauzel::MimeTypes>(gauzel::ReadMimeDatabase());
    if (!app.InitInstance({fileSystem, settings, driveList, messages, gauzel::LinuxSavedFiles(), types},
                          line.directory, line.compare))
        return 1;
    return app.exec();
}
