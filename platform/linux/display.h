#pragma once
// Whether the window has a display to open: a platform the user chose, a Wayland display, or an
// X display that answers on its socket (a remote one is taken on trust).

namespace gauzel {

bool CanOpenDisplay();

}  // namespace gauzel
