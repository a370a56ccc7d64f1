// The whole path of one message: a reply (code page 932 bytes after two bytes of rule
// settings) through extraction, decoding and the deletion rules.

#include "platform/Codepage.h"
#include "pop3/HeaderStore.h"
#include "rules/DeletionRules.h"

#include <cstddef>
#include <cstdint>

namespace {

RuleSet rulesFrom(std::uint8_t a, std::uint8_t b)
{
    RuleSet rules;
    rules.RuleNoJapanese = a & 1;
    rules.RuleUnsolicited = (a >> 1) & 1;
    rules.RuleNotToMe = (a >> 2) & 3; // 2 and 3 included: only 1 counts
    rules.RuleNotCcMe = (a >> 4) & 3;
    rules.RuleSubjectWords = (a >> 6) & 1;
    rules.RuleSenderWords = (a >> 7) & 1;
    if (b & 1)
        rules.MyAddress = QStringLiteral("taro@example.com");
    rules.SubjectWords[0] = QStringLiteral("広告");
    rules.SubjectWords[3] = QStringLiteral(" ");
    rules.SenderWords[0] = QStringLiteral("@spam.example");
    rules.SenderWords[9] = QStringLiteral("ｾｰﾙ");
    return rules;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const RuleSet rules = rulesFrom(data[0], data[1]);
    const QString reply = platform::decodeCp932(
        QByteArrayView(reinterpret_cast<const char*>(data) + 2, static_cast<qsizetype>(size - 2)));

    static HeaderStore store; // every field of slot 1 is overwritten
    store.HeaderText(1) = reply;
    store.storeFields(1);
    const MessageFields message = store.fields(1);
    const bool marked = isMarkedForDeletion(rules, message);

    // A message whose subject is empty, blank or undecodable is never deleted.
    if (message.subject.trimmed().isEmpty() && marked)
        __builtin_trap();
    const qint16 japanese = InJapanese(message.subject);
    if (japanese != 0 && japanese != 1)
        __builtin_trap();
    return 0;
}
