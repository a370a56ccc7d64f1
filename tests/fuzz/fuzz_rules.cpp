// The whole path of one message: a reply (code page 932 bytes after two bytes of rule
// settings) through extraction, decoding and the deletion rules.

#include "platform/Codepage.h"
#include "pop3/HeaderStore.h"
#include "rules/DeletionRules.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    RuleSet rules;
    rules.RuleNoJapanese = data[0] & 1;
    rules.RuleUnsolicited = (data[0] >> 1) & 1;
    rules.RuleNotToMe = (data[0] >> 2) & 3; // 2 and 3 included: only 1 counts
    rules.RuleNotCcMe = (data[0] >> 4) & 3;
    rules.RuleSubjectWords = (data[0] >> 6) & 1;
    rules.RuleSenderWords = (data[0] >> 7) & 1;
    if (data[1] & 1)
        rules.MyAddress = QStringLiteral("taro@example.com");
    rules.SubjectWords[0] = QStringLiteral("広告");
    rules.SubjectWords[3] = QStringLiteral(" ");
    rules.SenderWords[0] = QStringLiteral("@spam.example");
    rules.SenderWords[9] = QStringLiteral("ｾｰﾙ");
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
