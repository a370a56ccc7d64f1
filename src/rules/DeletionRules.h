#pragma once

#include "rules/RuleSet.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>
#include <vector>

// One message as the rules read it: Subject, From, To and Cc decoded, and To, Cc and
// From as received, where addresses are looked for when their decoding failed.
struct MessageFields
{
    QString subject;
    QString from;
    QString to;
    QString cc;
    QString rawTo;
    QString rawCc;
    QString rawFrom;
};

// The messages to delete, by number in ascending order, and for each the
// "タイトル:… 差出人:…" text that opens its log line once the server's answer is known.
struct RuleVerdict
{
    std::vector<qint16> EraseList;
    QStringList marked;
    // For each marked message, the rule that matched it: "未承諾", "英文のみ",
    // "タイトル文字列 \"…\"", "差出人文字列 \"…\"" or "宛先/Cc に自分のアドレスなし".
    QStringList matchedRule;
};

// 1 when the text holds a character with a double-byte code in code page 932
// (or the code 0), else 0. Half-width katakana and characters without a code
// do not count.
qint16 InJapanese(QStringView text);

// Whether the sender's address (the last <…> of From, else From itself; From as
// received when it could not be decoded) is on the allow-list: an entry
// "taro@example.jp" matches that address, "@example.jp" every address at that
// domain, ASCII letters compared without case. Entries past ServerProfile::kMaxAllowList are
// ignored.
bool isAllowListed(const QStringList& allowList, const MessageFields& message);

// The first rule, in the order they are tested, that marks the message for deletion,
// named as in RuleVerdict::matchedRule; empty when none does. A subject that is empty
// or holds only blanks is never marked, nor a message from an allow-listed sender.
QString matchingRule(const RuleSet& rules, const MessageFields& message);

// Whether one message is to be deleted under the rules. A subject that is empty or
// holds only blanks never is, nor a message from an allow-listed sender.
bool isMarkedForDeletion(const RuleSet& rules, const MessageFields& message);

// Tests messages[0] as message 1, messages[1] as message 2, and so on (at most 1000).
RuleVerdict EvaluateDeletionRules(const RuleSet& rules, std::span<const MessageFields> messages);
