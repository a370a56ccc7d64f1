#pragma once

#include "settings/SettingsModel.h"

#include <QString>

#include <optional>

// What the settings dialog's 設定確認 and 設定終了 mean, on the live settings.
namespace serverset {

// Shown when no profile has a host, an account and a password.
QString noServerMessage();

// Each profile's Enabled becomes true exactly when host, account and password are all
// non-empty (blanks count as content); port, address and rules play no part.
void refreshEnabled(SettingsModel& settings);

// The checks both buttons make first: refresh Enabled, at least one profile enabled,
// every text storable in the settings file, every port a port number, and an own address with "@"
// and no blank inside it wherever a To or Cc rule is set. The message to show when the command must
// stop there (the dialog stays open), or nothing.
[[nodiscard]] std::optional<QString> validate(SettingsModel& settings);

// 設定終了: validate, then write the settings file and the companion file. The message to show when
// the dialog must stay open, or nothing when it may close.
[[nodiscard]] std::optional<QString> finish(SettingsModel& settings, const QString& path);

} // namespace serverset
