#pragma once

#include "app/control/MailProgram.h"

#include <optional>

// The desktop's mail program: the application its associations name for mailto:
// links, as xdg-mime reports it; nothing when the desktop names none.
std::optional<MailProgram> desktopMailProgram();
