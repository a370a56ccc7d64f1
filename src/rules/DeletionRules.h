#pragma once

#include "rules/RuleSet.h"

#include <QString>
#include <QStringView>

class ActivityLog;
class CommandMonitor;
class HeaderStore;

// 1 when the text holds a character with a double-byte code in code page 932
// (or the code 0), else 0. Half-width katakana and characters without a code
// do not count.
qint16 InJapanese(QStringView text);

// Whether one message is to be deleted under the rules. An empty subject never is.
bool isMarkedForDeletion(const RuleSet& rules, const QString& subject, const QString& from,
                         const QString& to, const QString& cc);

// Tests messages 1..MaxMail of the store, fills EraseList and MaxEraseNo, and logs
// the start, one line per marked message, and the end. RuleCheckBusy is -1 while
// it runs. Shows the monitor with "削除メールをチェック中" and hides it at the end.
void EvaluateDeletionRules(const RuleSet& rules, HeaderStore& store, const ActivityLog& log,
                           CommandMonitor& monitor, qint16& RuleCheckBusy);
