#pragma once

#include "settings/SettingsFile.h"

struct AppContext;
class Form1Model;
class Shell;

// The main window's start-up, after the notification-area icon and the
// single-instance check: loads "PostSweep.ini" into the live settings, applies
// the global values to the main window as clicks would, empties the activity log
// when "起動時に内容をクリア" is set, and shows the main window, or the settings
// dialog when no usable settings file exists. Starts no run.
LoadOutcome startUp(AppContext& context, Form1Model& form, Shell& shell);
