#include "rules/DeletionRules.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

const QString kMe = QStringLiteral("taro@example.com");

// A message's decoded fields, then To and Cc as received; "" stands for a field
// the header does not have.
using Message = MessageFields;

struct Row
{
    const char* name;
    RuleSet rules;
    Message message;
    bool deleted;
};

void expectRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows)
        EXPECT_EQ(isMarkedForDeletion(row.rules, row.message), row.deleted) << row.name;
}

RuleSet ownAddress(qint16 toFlag, qint16 ccFlag, QString address = kMe)
{
    return RuleSet{.MyAddress = std::move(address), .RuleNotToMe = toFlag, .RuleNotCcMe = ccFlag};
}

RuleSet subjectWords(qint16 flag, std::array<QString, 10> words)
{
    return RuleSet{.RuleSubjectWords = flag, .SubjectWords = std::move(words)};
}

RuleSet senderWords(qint16 flag, std::array<QString, 10> words)
{
    return RuleSet{.RuleSenderWords = flag, .SenderWords = std::move(words)};
}

// Every rule on: own address in To or Cc, a blank in the subject, "@" in the sender.
RuleSet everyRule()
{
    RuleSet rules = ownAddress(1, 1);
    rules.RuleNoJapanese = 1;
    rules.RuleUnsolicited = 1;
    rules.RuleSubjectWords = 1;
    rules.SubjectWords[0] = QStringLiteral(" ");
    rules.RuleSenderWords = 1;
    rules.SenderWords[0] = QStringLiteral("@");
    return rules;
}

} // namespace

// clang-format off
TEST(DeletionRules, EmptySubjectIsNeverDeleted)
{
    expectRows({
        {"every rule on, nothing addressed to me", everyRule(), {"", "spam@x.example"}, false},
        {"subject word of one blank", subjectWords(1, {" "}), {"", "a b"}, false},
        {"blanks only, every rule on", everyRule(), {" \t\u3000 ", "spam@x.example"}, false},
    });
}

TEST(DeletionRules, NoJapaneseRule)
{
    const RuleSet on{.RuleNoJapanese = 1};
    expectRows({
        {"ASCII subject", on, {"Cheap watches"}, true},
        {"ASCII and half-width katakana", on, {"Sale \uFF7E\uFF70\uFF99"}, true},
        {"one ideographic space", on, {"Sale\u3000now"}, false},
        {"Japanese subject", on, {"会議の件"}, false},
        {"grey check box (2) counts as on", {.RuleNoJapanese = 2}, {"Hello"}, true},
        {"-1 counts as on", {.RuleNoJapanese = -1}, {"Hello"}, true},
        {"off", {.RuleNoJapanese = 0}, {"Hello"}, false},
    });
}

TEST(DeletionRules, UnsolicitedRule)
{
    const RuleSet on{.RuleUnsolicited = 1};
    expectRows({
        {"未承諾 at the start", on, {"未承諾広告※セール"}, true},
        {"misspelt 末承諾 in the middle", on, {"【末承諾】広告"}, true},
        {"grey check box (2) counts as on", {.RuleUnsolicited = 2}, {"未承諾広告"}, true},
        {"similar but different word 未承認", on, {"未承認のお知らせ"}, false},
        {"word split by a blank", on, {"未 承諾"}, false},
        {"off", {.RuleUnsolicited = 0}, {"未承諾広告"}, false},
    });
}

TEST(DeletionRules, OwnAddressRules)
{
    expectRows({
        {"To: address in To", ownAddress(1, 0), {"Hi", "", kMe}, false},
        {"To: display name and angle brackets", ownAddress(1, 0), {"Hi", "", "Taro <taro@example.com>"}, false},
        {"To: among several recipients", ownAddress(1, 0), {"Hi", "", "a@b.example, taro@example.com"}, false},
        {"To: no To field", ownAddress(1, 0), {"Hi", "", "", kMe}, true},
        {"To: someone else", ownAddress(1, 0), {"Hi", "", "hanako@example.com"}, true},
        {"To: address cut short", ownAddress(1, 0), {"Hi", "", "taro@example.co"}, true},
        {"To: only in Cc", ownAddress(1, 0), {"Hi", "", "list@example.org", kMe}, true},
        {"Cc: address in Cc", ownAddress(0, 1), {"Hi", "", "", kMe}, false},
        {"Cc: only in To", ownAddress(0, 1), {"Hi", "", kMe}, true},
        {"Cc: no Cc field", ownAddress(0, 1), {"Hi"}, true},
        {"both: only in Cc", ownAddress(1, 1), {"Hi", "", "list@example.org", kMe}, false},
        {"both: only in To", ownAddress(1, 1), {"Hi", "", kMe}, false},
        {"both: in both", ownAddress(1, 1), {"Hi", "", kMe, kMe}, false},
        {"both: in neither", ownAddress(1, 1), {"Hi", "", "a@b.example", "c@d.example"}, true},
        {"both: neither field present", ownAddress(1, 1), {"Hi"}, true},
        {"To undecodable: address found as received", ownAddress(1, 0), {"Hi", "", "", "", "=?X-UNKNOWN?B?YWJj?= <taro@example.com>"}, false},
        {"Cc undecodable: address found as received", ownAddress(0, 1), {"Hi", "", "", "", "", "=?UTF-8?B?/w==?= <Taro@Example.com>"}, false},
        {"To undecodable, someone else", ownAddress(1, 0), {"Hi", "", "", "", "=?X?B?YQ==?= <a@b>"}, true},
        {"blanks around the stored address", ownAddress(1, 0, " taro@example.com\u3000"), {"Hi", "", "Taro <taro@example.com>"}, false},
        {"stored address of blanks only is no address", ownAddress(1, 1, " \u3000"), {"Hi"}, false},
    });
}

TEST(DeletionRules, OwnAddressRulesNeedAFlagOfExactlyOneAndAnAddress)
{
    expectRows({
        {"To grey (2)", ownAddress(2, 0), {"Hi"}, false},
        {"Cc grey (2)", ownAddress(0, 2), {"Hi"}, false},
        {"To -1", ownAddress(-1, 0), {"Hi"}, false},
        {"To set, Cc grey", ownAddress(1, 2), {"Hi"}, false},
        {"To grey, Cc set", ownAddress(2, 1), {"Hi"}, false},
        {"both off", ownAddress(0, 0), {"Hi"}, false},
        {"no address, To flag", ownAddress(1, 0, ""), {"Hi"}, false},
        {"no address, Cc flag", ownAddress(0, 1, ""), {"Hi"}, false},
        {"no address, both flags", ownAddress(1, 1, ""), {"Hi"}, false},
    });
}

TEST(DeletionRules, OwnAddressIgnoresTheCaseOfAsciiLettersOnly)
{
    expectRows({
        {"mixed case in To", ownAddress(1, 0), {"Hi", "", "Taro@Example.COM"}, false},
        {"upper case in Cc", ownAddress(0, 1), {"Hi", "", "", "<TARO@EXAMPLE.COM>"}, false},
        {"own address typed in upper case", ownAddress(1, 0, "TARO@Example.com"), {"Hi", "", "taro@example.com"}, false},
        {"Kelvin sign is not the letter k", ownAddress(1, 0, "kenji@example.com"), {"Hi", "", "\u212Aenji@example.com"}, true},
        {"full-width letters are not ASCII", ownAddress(1, 0), {"Hi", "", "\uFF54\uFF41\uFF52\uFF4F@example.com"}, true},
        {"dotless i is not the letter i", ownAddress(1, 0, "mika@example.com"), {"Hi", "", "m\u0131ka@example.com"}, true},
    });
}

TEST(DeletionRules, SubjectWordsRule)
{
    expectRows({
        {"word found", subjectWords(1, {"sale"}), {"Big sale today"}, true},
        {"only the tenth entry", subjectWords(1, {"", "", "", "", "", "", "", "", "", "FREE"}), {"FREE gift"}, true},
        {"case differs", subjectWords(1, {"sale"}), {"Big SALE today"}, false},
        {"all entries empty", subjectWords(1, {}), {"Anything"}, false},
        {"one blank matches a subject with a blank", subjectWords(1, {" "}), {"a b"}, true},
        {"one blank misses a subject without one", subjectWords(1, {" "}), {"ab"}, false},
        {"Japanese word", subjectWords(1, {"出会い"}), {"素敵な出会いを"}, true},
        {"word only in the sender", subjectWords(1, {"shop"}), {"News", "shop@x.example"}, false},
        {"grey check box (2) counts as on", subjectWords(2, {"sale"}), {"sale"}, true},
        {"off", subjectWords(0, {"sale"}), {"sale"}, false},
    });
}

TEST(DeletionRules, SenderWordsRule)
{
    expectRows({
        {"domain in the address", senderWords(1, {"@spam.example"}), {"Hi", "Shop <news@spam.example>"}, true},
        {"decoded display name", senderWords(1, {"", "出会い"}), {"Hi", "出会い系 <a@b.c>"}, true},
        {"case differs", senderWords(1, {"@SPAM.example"}), {"Hi", "news@spam.example"}, false},
        {"empty sender", senderWords(1, {"spam"}), {"Hi", ""}, false},
        {"word only in the subject", senderWords(1, {"spam"}), {"spam", "a@b.c"}, false},
        {"off", senderWords(0, {"spam"}), {"Hi", "spam@x"}, false},
    });
}

TEST(DeletionRules, AllowListedSenderIsKeptWhateverRuleMatches)
{
    const auto allowing = [](QStringList entries) {
        RuleSet rules = everyRule();
        rules.AllowList = std::move(entries);
        return rules;
    };
    const QStringList friends = {u"Taro@Example.jp"_qs, u" @partner.co.jp "_qs};
    QStringList pastTheTwentieth(20, u"nobody@x.example"_qs);
    pastTheTwentieth.append(u"taro@example.jp"_qs);
    expectRows({
        {"address, other case", allowing(friends), {"Sale", "TARO@EXAMPLE.JP"}, false},
        {"address in angle brackets after a display name with <", allowing(friends), {"Sale", "\"a <b>\" <taro@example.jp>"}, false},
        {"domain entry, any user", allowing(friends), {"Sale", "News <x@Partner.Co.JP>"}, false},
        {"undecodable From: found as received", allowing(friends), {"Sale", "", "", "", "", "", "=?X-UNKNOWN?B?YWJj?= <taro@example.jp>"}, false},
        {"address only in the display name", allowing(friends), {"Sale", "taro@example.jp <spam@x.example>"}, true},
        {"longer address ending in an allowed one", allowing(friends), {"Sale", "xtaro@example.jp"}, true},
        {"subdomain lookalike", allowing(friends), {"Sale", "a@partner.co.jp.x.example"}, true},
        {"the domain alone is no user of it", allowing(friends), {"Sale", "<@partner.co.jp>"}, true},
        {"a lone @ allows nobody", allowing({u"@"_qs}), {"Sale", "a@b.example"}, true},
        {"a word allows nobody, not even a sender of that name", allowing({u"taro"_qs}), {"Sale", "taro"}, true},
        {"entry past the twentieth", allowing(pastTheTwentieth), {"Sale", "taro@example.jp"}, true},
    });
}

TEST(DeletionRules, RulesCombineSoThatAnyOneDeletes)
{
    RuleSet japaneseAndAddress = ownAddress(1, 0);
    japaneseAndAddress.RuleNoJapanese = 1;
    expectRows({
        {"all on, Japanese subject to me from a clean sender", everyRule(), {"会議の件", "boss", kMe}, false},
        {"all on, only the unsolicited word", everyRule(), {"未承諾広告", "boss", kMe}, true},
        {"all on, only the sender word", everyRule(), {"会議", "a@b", kMe}, true},
        {"all on, only the subject blank", everyRule(), {"会議 の件", "boss", kMe}, true},
        {"all on, only the address missing", everyRule(), {"会議", "boss", "x", "y"}, true},
        {"English subject to me", japaneseAndAddress, {"Hello", "", kMe}, true},
        {"Japanese subject not to me", japaneseAndAddress, {"こんにちは", "", "x"}, true},
        {"Japanese subject to me", japaneseAndAddress, {"こんにちは", "", kMe}, false},
        {"no rule on at all", RuleSet{}, {"Hello", "spam"}, false},
    });
}
// clang-format on
