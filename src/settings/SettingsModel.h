#pragma once

#include "settings/GlobalSettings.h"
#include "settings/ServerProfile.h"

#include <QString>

#include <array>

// The live settings of the process: the profiles (numbered 1..kProfileCount) and the
// global settings. Windows bind to it; the run reads it; the file mirrors it.
struct SettingsModel
{
    static constexpr int kProfileCount = 5;

    std::array<ServerProfile, kProfileCount> profiles;
    GlobalSettings global;
    // Why the companion file beside the settings could not be read; empty when it was
    // read or is absent. While set, no profile's connection is known and no run connects:
    // a profile set to TLS must not fall back to sending its password in clear.
    QString optionsProblem;

    ServerProfile& profile(int number) { return profiles.at(number - 1); }
    const ServerProfile& profile(int number) const { return profiles.at(number - 1); }
    bool anyEnabled() const
    {
        for (const auto& p : profiles)
            if (p.Enabled)
                return true;
        return false;
    }
    bool operator==(const SettingsModel&) const = default;
};
