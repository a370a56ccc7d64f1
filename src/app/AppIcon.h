#pragma once

#include <QIcon>

// The program's icon, drawn in code: an envelope with a red cross, the main
// window's icon and the notification-area icon.
QIcon appIcon();
