// The composition root: the Linux file system, drives and settings, handed to the window.

#include <cstdio>
#include <cstdlib>

#include "app/gauzel.h"
#include "app/message_box.h"
#include "platform/linux/ini_settings.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/mounts.h"

namespace {

bool CanOpenDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && platform[0] != '\0') return true;  // the user chose one
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (!CanOpenDisplay()) {
        std::fprintf(stderr, "gauzel: no display to open (DISPLAY and WAYLAND_DISPLAY are unset); "
                             "gauzel-report prints the same profile as text\n");
        return 1;
    }
    gauzel::CGauzelApp app(argc, argv);
    gauzel::IniSettings settings(gauzel::DefaultSettingsPath("gauzel"));
    const gauzel::DriveTable drives = gauzel::LoadDriveTable(settings);
    gauzel::LinuxFileSystem fileSystem(drives);
    const gauzel::LinuxDriveList driveList(drives);
    gauzel::QtMessageBoxes messages;
    if (!app.InitInstance({fileSystem, settings, driveList, messages})) return 1;
    return app.exec();
}
