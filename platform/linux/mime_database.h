#pragma once
// Reads the machine's file type database where the XDG Base Directory rules put it.

#include "platform/mime_database.h"

namespace gauzel {

// The "mime/globs2" and "mime/generic-icons" files of $XDG_DATA_HOME (default ~/.local/share)
// and of each of $XDG_DATA_DIRS (default /usr/local/share:/usr/share), the most important first;
// the files that are missing or cannot be read are left out.
MimeDatabaseText ReadMimeDatabase();

}  // namespace gauzel
