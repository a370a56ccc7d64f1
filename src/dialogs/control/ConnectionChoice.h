#pragma once

#include "settings/SettingsFile.h"
#include "settings/SettingsModel.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What the connection controls of the settings dialog and the single-server dialog
// mean: the security mode, the port that goes with it, and the pinned certificate.
namespace connection {

// "なし", "STARTTLS" or "SSL/TLS", as the choice and the verification window show them.
QString securityCaption(ConnectionSecurity security);
// The port a mode uses unless the user types another: 110, or 995 for implicit TLS.
QString defaultPort(ConnectionSecurity security);
// The port after switching modes: one still at the old mode's default moves to the new
// mode's default; one the user typed stays.
QString portAfterModeChange(const QString& port, ConnectionSecurity from, ConnectionSecurity to);

// A profile with no host, account or password and no connection of its own is filled
// in from empty: it starts at SSL/TLS on 995. Profiles with any of them stay as loaded.
void startBlankProfilesEncrypted(SettingsModel& settings);

// The first profile whose port is not a whole number 1..65535, named by its tab and
// field; checked where the profile is enabled or has a port of its own.
std::optional<UnstorableField> invalidPort(const SettingsModel& settings);

// A SHA-256 fingerprint as typed or copied from the log ("証明書の SHA-256 指紋: ab:cd:…"):
// 64 hex digits, colons and blanks between them allowed. The 32 bytes, or nothing.
std::optional<QByteArray> parseFingerprint(QString text);
// The fingerprint as the log prints it: hex pairs separated by colons.
QString fingerprintText(const QByteArray& sha256);

} // namespace connection
