#pragma once

#include <QtGlobal>

// The [KeptCopies] group of the companion file: whether a copy of each message is
// kept before it is deleted, how long copies stay, and the largest message copied
// whole.
struct KeptCopiesOptions
{
    static constexpr int kDefaultRetentionDays = 30;
    static constexpr int kMaxRetentionDays = 3650;
    static constexpr int kDefaultMaxSizeMB = 10;
    static constexpr int kMaxMaxSizeMB = 1024;

    bool enabled = true;
    int retentionDays = kDefaultRetentionDays; // 1..kMaxRetentionDays
    int maxSizeMB = kDefaultMaxSizeMB;         // 1..kMaxMaxSizeMB

    qint64 maxMessageBytes() const { return qint64{maxSizeMB} * 1024 * 1024; }
};
