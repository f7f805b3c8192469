// The composition root: the Linux file system, drives and settings, handed to the window.

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
#include "platform/linux/display.h"
#include "platform/linux/ini_settings.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/mime_database.h"
#include "platform/linux/mounts.h"
#include "platform/reader_pool.h"
#include "ui/message_box.h"

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
    if (!gauzel::CanOpenDisplay()) {
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
    // The threads that read the disk: they outlive every window and every rescan, and the process
    // ends without waiting for a read left behind.
    const gauzel::ReaderPool pool;
    if (!app.InitInstance({fileSystem, settings, driveList, messages, gauzel::LinuxSavedFiles(), types, pool},
                          line.directory, line.compare))
        return 1;
    return app.exec();
}
