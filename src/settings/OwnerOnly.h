#pragma once

#include <QFileDevice>

// The settings files hold the scrambled passwords and the log holds what servers
// said: mode 0600 whatever the umask, and a file that others could read is
// tightened when it is next written. No effect where files have no POSIX modes.
inline bool makeOwnerOnly(QFileDevice& file)
{
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
