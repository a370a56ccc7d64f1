#pragma once

#include <QString>

// A settings field as the user knows it, for messages: the tab and the caption
// the settings dialog shows ("サーバ設定2 の「タイトル文字列4」" for profile 2's
// "SubjectWords[3]"), or the main window's caption for a global field.
QString fieldCaption(int profile, const QString& field);
