#include "rules/DeletionRules.h"

#include "platform/Codepage.h"
#include "pop3/CommandMonitor.h"
#include "pop3/HeaderStore.h"
#include "settings/ActivityLog.h"

#include <algorithm>

namespace {

const QString kUnsolicited = QStringLiteral("未承諾");
const QString kUnsolicitedMisspelt = QStringLiteral("末承諾");

// The check boxes that count as set for any nonzero value.
bool isOn(qint16 flag)
{
    return flag != 0;
}

char16_t foldAsciiLetter(QChar ch)
{
    const char16_t c = ch.unicode();
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Mail addresses differ in letter case only by accident; only ASCII letters are
// folded, so that no other character can stand in for one of them.
bool containsIgnoringAsciiCase(QStringView text, QStringView part)
{
    const auto same = [](QChar a, QChar b) { return foldAsciiLetter(a) == foldAsciiLetter(b); };
    return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}

bool containsAnyWord(const QString& text, const auto& words)
{
    return std::any_of(words.begin(), words.end(), [&](const QString& word) {
        return !word.isEmpty() && text.contains(word, Qt::CaseSensitive);
    });
}

// Only the value 1 sets an own-address check box; the three combinations are
// tested as written, so a grey box (2) beside a set one deletes nothing.
bool failsOwnAddressRules(const RuleSet& rules, const QString& to, const QString& cc)
{
    if (rules.MyAddress.isEmpty())
        return false;
    const auto missingFrom = [&](const QString& field) {
        return !containsIgnoringAsciiCase(field, rules.MyAddress);
    };
    const qint16 toFlag = rules.RuleNotToMe;
    const qint16 ccFlag = rules.RuleNotCcMe;
    if (toFlag == 1 && ccFlag == 0)
        return missingFrom(to);
    if (toFlag == 0 && ccFlag == 1)
        return missingFrom(cc);
    if (toFlag == 1 && ccFlag == 1)
        return missingFrom(to) && missingFrom(cc);
    return false;
}

// A line break inside a decoded value would split the log line and could forge a
// line of its own; it is written as a blank.
QString asLogValue(QString value)
{
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return ActivityLog::shown(value);
}

} // namespace

qint16 InJapanese(QStringView text)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == 0)
            return 1;
        if (c < 0x80)
            continue; // ASCII: single-byte codes 1..127
        if (platform::cp932Code(c) > 0xFF)
            return 1;
    }
    return 0;
}

bool isMarkedForDeletion(const RuleSet& rules, const QString& subject, const QString& from,
                         const QString& to, const QString& cc)
{
    if (subject.isEmpty())
        return false;
    if (isOn(rules.RuleNoJapanese) && InJapanese(subject) == 0)
        return true;
    if (isOn(rules.RuleUnsolicited) &&
        (subject.contains(kUnsolicited) || subject.contains(kUnsolicitedMisspelt)))
        return true;
    if (failsOwnAddressRules(rules, to, cc))
        return true;
    if (isOn(rules.RuleSubjectWords) && containsAnyWord(subject, rules.SubjectWords))
        return true;
    return isOn(rules.RuleSenderWords) && containsAnyWord(from, rules.SenderWords);
}

void EvaluateDeletionRules(const RuleSet& rules, HeaderStore& store, const ActivityLog& log,
                           CommandMonitor& monitor, qint16& RuleCheckBusy)
{
    monitor.showMonitor();
    monitor.setStatus(QStringLiteral("削除メールをチェック中"));
    log.writeStamped(QStringLiteral("  削除メールを指定条件で検索しています"));
    store.MaxEraseNo = 0;
    RuleCheckBusy = -1;

    const int last = std::min<int>(store.MaxMail, HeaderStore::kMaxMessages);
    for (int n = 1; n <= last; ++n) {
        const QString& subject = store.MailSubject(n);
        const QString& from = store.MailFrom(n);
        if (!isMarkedForDeletion(rules, subject, from, store.MailTo(n), store.MailCc(n)))
            continue;
        store.EraseList(store.MaxEraseNo) = static_cast<qint16>(n);
        ++store.MaxEraseNo;
        log.WriteLogLine(QStringLiteral("タイトル:") + asLogValue(subject) +
                         QStringLiteral(" 差出人:") + asLogValue(from) +
                         QStringLiteral(" を削除しました"));
    }

    monitor.hideMonitor();
    RuleCheckBusy = 0;
    log.writeStamped(QStringLiteral("  削除メールを指定条件で検索・削除を終了しました"));
}
