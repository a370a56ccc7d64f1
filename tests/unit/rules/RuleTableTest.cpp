#include "rules/DeletionRules.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

const QString kMe = QStringLiteral("taro@example.com");

// A message's decoded Subject, From, To and Cc, then To, Cc and From as received; ""
// stands for a field the header does not have.
struct Row
{
    const char* name;
    RuleSet rules;
    MessageFields message;
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

// Every rule on: own address in To or Cc, a blank in the subject, "@" in the sender.
RuleSet everyRule()
{
    RuleSet rules = ownAddress(1, 1);
    rules.RuleNoJapanese = rules.RuleUnsolicited = rules.RuleSubjectWords = 1;
    rules.RuleSenderWords = 1;
    rules.SubjectWords[0] = u" "_qs;
    rules.SenderWords[0] = u"@"_qs;
    return rules;
}

} // namespace

// clang-format off
TEST(DeletionRules, EachRuleMarksWhatItNamesAndABlankSubjectNothing)
{
    expectRows({
        {"every rule on, nothing addressed to me", everyRule(), {"", "spam@x.example"}, false},
        {"blanks only, every rule on", everyRule(), {" \t\u3000 ", "spam@x.example"}, false},
        {"no Japanese: ASCII subject", {.RuleNoJapanese = 1}, {"Cheap watches"}, true},
        {"no Japanese: half-width katakana is not Japanese", {.RuleNoJapanese = 1}, {"Sale \uFF7E\uFF70\uFF99"}, true},
        {"no Japanese: one ideographic space is", {.RuleNoJapanese = 1}, {"Sale\u3000now"}, false},
        {"grey check box (2) counts as on", {.RuleNoJapanese = 2}, {"Hello"}, true},
        {"no Japanese off", {}, {"Hello"}, false},
        {"未承諾 at the start", {.RuleUnsolicited = 1}, {"未承諾広告※セール"}, true},
        {"misspelt 末承諾 in the middle", {.RuleUnsolicited = 1}, {"【末承諾】広告"}, true},
        {"similar but different word 未承認", {.RuleUnsolicited = 1}, {"未承認のお知らせ"}, false},
        {"unsolicited off", {}, {"未承諾広告"}, false},
        {"subject word found", {.RuleSubjectWords = 1, .SubjectWords = {"sale"}}, {"Big sale today"}, true},
        {"only the tenth subject word", {.RuleSubjectWords = 1, .SubjectWords = {"", "", "", "", "", "", "", "", "", "FREE"}}, {"FREE gift"}, true},
        {"subject word in another case", {.RuleSubjectWords = 1, .SubjectWords = {"sale"}}, {"Big SALE today"}, false},
        {"all subject words empty", {.RuleSubjectWords = 1}, {"Anything"}, false},
        {"subject word only in the sender", {.RuleSubjectWords = 1, .SubjectWords = {"shop"}}, {"News", "shop@x.example"}, false},
        {"subject words off", {.SubjectWords = {"sale"}}, {"sale"}, false},
        {"sender word, second entry", {.RuleSenderWords = 1, .SenderWords = {"", "@spam.example"}}, {"Hi", "Shop <news@spam.example>"}, true},
        {"sender word only in the subject", {.RuleSenderWords = 1, .SenderWords = {"spam"}}, {"spam", "a@b.c"}, false},
        {"sender words off", {.SenderWords = {"spam"}}, {"Hi", "spam@x"}, false},
        {"To: address in To", ownAddress(1, 0), {"Hi", "", kMe}, false},
        {"To: only in Cc", ownAddress(1, 0), {"Hi", "", "list@example.org", kMe}, true},
        {"To: address cut short", ownAddress(1, 0), {"Hi", "", "taro@example.co"}, true},
        {"Cc: address in Cc", ownAddress(0, 1), {"Hi", "", "", kMe}, false},
        {"Cc: only in To", ownAddress(0, 1), {"Hi", "", kMe}, true},
        {"both: only in Cc", ownAddress(1, 1), {"Hi", "", "list@example.org", kMe}, false},
        {"both: only in To", ownAddress(1, 1), {"Hi", "", kMe}, false},
        {"both: in neither", ownAddress(1, 1), {"Hi", "", "a@b.example", "c@d.example"}, true},
        {"To undecodable: address found as received", ownAddress(1, 0), {"Hi", "", "", "", "=?X-UNKNOWN?B?YWJj?= <taro@example.com>"}, false},
        {"Cc undecodable: address found as received", ownAddress(0, 1), {"Hi", "", "", "", "", "=?UTF-8?B?/w==?= <Taro@Example.com>"}, false},
        {"blanks around the stored address", ownAddress(1, 0, " taro@example.com\u3000"), {"Hi", "", "Taro <taro@example.com>"}, false},
        {"stored address of blanks only is no address", ownAddress(1, 1, " \u3000"), {"Hi"}, false},
        {"only 1 sets a flag: To grey (2)", ownAddress(2, 0), {"Hi"}, false},
        {"only 1 sets a flag: Cc grey (2)", ownAddress(0, 2), {"Hi"}, false},
        {"To set, Cc grey", ownAddress(1, 2), {"Hi"}, false},
        {"To grey, Cc set", ownAddress(2, 1), {"Hi"}, false},
        {"ASCII case: mixed in To", ownAddress(1, 0), {"Hi", "", "Taro@Example.COM"}, false},
        {"ASCII case: own address typed in upper case", ownAddress(1, 0, "TARO@Example.com"), {"Hi", "", "taro@example.com"}, false},
        {"Kelvin sign is not the letter k", ownAddress(1, 0, "kenji@example.com"), {"Hi", "", "\u212Aenji@example.com"}, true},
    });
}

TEST(DeletionRules, AllowListedSenderIsKeptWhateverRuleMatches)
{
    const auto allowing = [](QStringList entries) {
        RuleSet rules = everyRule();
        rules.AllowList = std::move(entries);
        return rules;
    };
    const QStringList friends = {u"Taro@Example.jp"_qs, u" @partner.co.jp "_qs, u"partner"_qs};
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
        {"a word without @ allows nobody", allowing(friends), {"Sale", "partner"}, true},
        {"a lone @ allows nobody", allowing({u"@"_qs}), {"Sale", "a@b.example"}, true},
        {"entry past the twentieth", allowing(pastTheTwentieth), {"Sale", "taro@example.jp"}, true},
        {"all on, Japanese subject to me from a clean sender", everyRule(), {"会議の件", "boss", kMe}, false},
        {"all on, only the sender word", everyRule(), {"会議", "a@b", kMe}, true},
        {"all on, only the address missing", everyRule(), {"会議", "boss", "x", "y"}, true},
    });
}
// clang-format on
