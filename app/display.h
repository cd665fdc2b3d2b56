// Whether the program has a display to show windows on.
#pragma once

namespace pix {

// True when the environment names a display server (X11 or Wayland).
bool displayAvailable();

// True when windows can be shown: on a display server, or on the platform Qt is told to use
// (QT_QPA_PLATFORM, such as offscreen).
bool canShowWindows();

} // namespace pix
