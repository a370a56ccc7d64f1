#pragma once

#include <QString>

// The one sentence that tells the user a file was not saved: the file's path and
// the reason, in Japanese for the causes a user can mend (no permission, a full
// disk, a folder of that name, a read-only file system, a missing folder) and in
// the system's words for any other. The cause is looked up after the failure,
// from the state of the file and its folder.
QString saveFailureMessage(const QString& path, const QString& systemText);
