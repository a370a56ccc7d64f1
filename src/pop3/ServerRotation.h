#pragma once

#include "platform/EventLoop.h"
#include "platform/MessageKeeper.h"

#include <functional>
#include <memory>

class ActivityLog;
class CommandMonitor;
class Pop3Session;
struct SettingsModel;

// A run visits profiles 1..kProfileCount in order, skips the disabled ones, and runs one full
// session per enabled profile, the next only after the previous one has ended.
// Timer4 (500 ms) advances between sessions and, after the last, calls the
// end-of-run handler in the same tick. While the settings' companion file cannot be
// read (SettingsModel::optionsProblem), a run connects to no server and logs why.
class ServerRotation
{
public:
    ServerRotation(platform::EventLoop& loop, Pop3Session& session, const SettingsModel& settings,
                   const ActivityLog& log);
    ~ServerRotation();

    qint16 ServerIndex = 1; // the profile the rotation is at, kProfileCount + 1 past the last
    qint16 RunFinished = 0; // -1 once the last enabled profile has been passed

    // ServerIndex = 1, RunFinished = false, SelectNextServer().
    void startRun();
    void SelectNextServer();
    platform::Timer& Timer4();
    // Whether the sessions started from now on judge only (no DELE); set before startRun().
    void setPreview(bool preview);
    // Where the sessions keep a copy of each message before deleting it; nullptr: none.
    void setKeeper(platform::MessageKeeper* keeper);

    void setMonitor(CommandMonitor* monitor);
    // Run control's end-of-run action, called from the Timer4 tick that finds the run finished.
    void setEndOfRunHandler(std::function<void()> handler);

private:
    void loadProfile(qint16 number);
    void onTimer4();

    struct Private;
    std::unique_ptr<Private> d;
};
