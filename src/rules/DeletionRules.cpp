#include "rules/DeletionRules.h"

#include "platform/Codepage.h"
#include "settings/ActivityLog.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxMessages = 1000;

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

// The first of the words that the text contains, or nullptr.
const QString* firstContainedWord(const QString& text, const auto& words)
{
    const auto found = std::find_if(words.begin(), words.end(), [&](const QString& word) {
        return !word.isEmpty() && text.contains(word, Qt::CaseSensitive);
    });
    return found == words.end() ? nullptr : &*found;
}

// Only the value 1 sets an own-address check box; the three combinations are
// tested as written, so a grey box (2) beside a set one deletes nothing. Blanks
// typed around the stored address are no part of it. A value that could not be
// decoded is searched as received: the address itself is plain ASCII.
bool failsOwnAddressRules(const RuleSet& rules, const MessageFields& m)
{
    const QStringView me = QStringView(rules.MyAddress).trimmed();
    if (me.isEmpty())
        return false;
    const auto missingFrom = [&](const QString& decoded, const QString& raw) {
        return !containsIgnoringAsciiCase(decoded.isEmpty() ? raw : decoded, me);
    };
    const qint16 toFlag = rules.RuleNotToMe;
    const qint16 ccFlag = rules.RuleNotCcMe;
    if (toFlag == 1 && ccFlag == 0)
        return missingFrom(m.to, m.rawTo);
    if (toFlag == 0 && ccFlag == 1)
        return missingFrom(m.cc, m.rawCc);
    if (toFlag == 1 && ccFlag == 1)
        return missingFrom(m.to, m.rawTo) && missingFrom(m.cc, m.rawCc);
    return false;
}

bool equalIgnoringAsciiCase(QStringView a, QStringView b)
{
    return a.size() == b.size() && containsIgnoringAsciiCase(a, b);
}

// The address of a From value: inside the last angle brackets, else the value itself.
QStringView senderAddress(QStringView from)
{
    const qsizetype open = from.lastIndexOf(u'<');
    if (open >= 0) {
        const qsizetype close = from.indexOf(u'>', open);
        if (close > open)
            return from.mid(open + 1, close - open - 1).trimmed();
    }
    return from.trimmed();
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

bool isAllowListed(const QStringList& allowList, const MessageFields& message)
{
    const QStringView address =
        senderAddress(message.from.isEmpty() ? message.rawFrom : message.from);
    if (address.isEmpty())
        return false;
    const qsizetype count = std::min<qsizetype>(allowList.size(), ServerProfile::kMaxAllowList);
    for (qsizetype i = 0; i < count; ++i) {
        const QStringView entry = QStringView(allowList.at(i)).trimmed();
        if (entry.size() < 2 || !entry.contains(u'@'))
            continue; // a lone "@" or a word would keep far more than was meant
        const bool domain = entry.startsWith(u'@');
        if (domain ? address.size() > entry.size() &&
                         equalIgnoringAsciiCase(address.right(entry.size()), entry)
                   : equalIgnoringAsciiCase(address, entry))
            return true;
    }
    return false;
}

QString matchingRule(const RuleSet& rules, const MessageFields& m)
{
    const QString& subject = m.subject;
    if (QStringView(subject).trimmed().isEmpty())
        return {};
    if (isAllowListed(rules.AllowList, m))
        return {};
    if (isOn(rules.RuleNoJapanese) && InJapanese(subject) == 0)
        return QStringLiteral("英文のみ");
    if (isOn(rules.RuleUnsolicited) &&
        (subject.contains(kUnsolicited) || subject.contains(kUnsolicitedMisspelt)))
        return kUnsolicited;
    if (failsOwnAddressRules(rules, m))
        return QStringLiteral("宛先/Cc に自分のアドレスなし");
    if (isOn(rules.RuleSubjectWords))
        if (const QString* word = firstContainedWord(subject, rules.SubjectWords))
            return QStringLiteral("タイトル文字列 \"%1\"").arg(asLogValue(*word));
    if (isOn(rules.RuleSenderWords))
        if (const QString* word = firstContainedWord(m.from, rules.SenderWords))
            return QStringLiteral("差出人文字列 \"%1\"").arg(asLogValue(*word));
    return {};
}

bool isMarkedForDeletion(const RuleSet& rules, const MessageFields& m)
{
    return !matchingRule(rules, m).isEmpty();
}

RuleVerdict EvaluateDeletionRules(const RuleSet& rules, std::span<const MessageFields> messages)
{
    RuleVerdict verdict;
    const auto last = std::min<std::size_t>(messages.size(), kMaxMessages);
    for (std::size_t i = 0; i < last; ++i) {
        const MessageFields& m = messages[i];
        QString rule = matchingRule(rules, m);
        if (rule.isEmpty())
            continue;
        verdict.EraseList.push_back(static_cast<qint16>(i + 1));
        verdict.marked.append(QStringLiteral("タイトル:") + asLogValue(m.subject) +
                              QStringLiteral(" 差出人:") + asLogValue(m.from));
        verdict.matchedRule.append(std::move(rule));
    }
    return verdict;
}
