#include "app/display.h"

#include <QtGlobal>

namespace pix {

bool displayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool canShowWindows() {
    return displayAvailable() || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace pix
