#pragma once

#include <QString>

// The activity-log texts of a run as a whole, written by whoever starts one: the
// main window's 実行 and the command line's --run. Stamped; they carry their own blanks.
namespace runlog {

inline QString started()
{
    return QStringLiteral("  実行を開始しました");
}

// Instead of started(), when the run deletes nothing.
inline QString startedPreview()
{
    return QStringLiteral("  確認のみで実行を開始しました（削除しません）");
}

// After the last server of a run that ends the program.
inline QString finishedAndExiting()
{
    return QStringLiteral("  削除が完了したのでメールソフトを起動して終了します");
}

} // namespace runlog
