#include "rules/DeletionRules.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(EvaluateDeletionRules, ListsEachMarkedMessageOnceWithItsLogTextAndFirstMatchingRule)
{
    // clang-format off
    const RuleSet every{.RuleUnsolicited = 1, .MyAddress = "taro@example.com", .RuleNotToMe = 1, .RuleSubjectWords = 1, .SubjectWords = {"セール"}, .RuleSenderWords = 1, .SenderWords = {"ad@", "spam"}};
    const struct { const char* name; RuleSet rules; std::vector<MessageFields> messages; std::vector<int> erased; QStringList marked; QStringList matched; } rows[] = {
        {"two of three", {.RuleNoJapanese = 1, .RuleUnsolicited = 1}, {{"Cheap watches", "spam@x.example", "taro@example.com"}, {"会議の件", "boss@example.com", "taro@example.com"}, {"未承諾広告※", "出会い <ad@y.example>", "taro@example.com"}}, {1, 3}, {"タイトル:Cheap watches 差出人:spam@x.example", "タイトル:未承諾広告※ 差出人:出会い <ad@y.example>"}, {"英文のみ", "未承諾"}},
        {"the first rule tested names the match", every, {{"未承諾 セール", "ad@x.example", "jiro@example.com"}, {"夏のセール", "ad@x.example", "jiro@example.com"}, {"夏のセール", "ad@x.example", "taro@example.com"}, {"お知らせ", "spam@ad@x.example", "taro@example.com"}}, {1, 2, 3, 4}, {"タイトル:未承諾 セール 差出人:ad@x.example", "タイトル:夏のセール 差出人:ad@x.example", "タイトル:夏のセール 差出人:ad@x.example", "タイトル:お知らせ 差出人:spam@ad@x.example"}, {"未承諾", "宛先/Cc に自分のアドレスなし", "タイトル文字列 \"セール\"", "差出人文字列 \"ad@\""}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RuleVerdict verdict = EvaluateDeletionRules(row.rules, row.messages);
        EXPECT_EQ(std::vector<int>(verdict.EraseList.begin(), verdict.EraseList.end()), row.erased);
        EXPECT_EQ(verdict.marked, row.marked);
        EXPECT_EQ(verdict.matchedRule, row.matched);
    }
}

TEST(EvaluateDeletionRules, MessagesBeyondAThousandAreNotTested)
{
    const std::vector<MessageFields> spam(1001, MessageFields{"spam", "x"});
    const RuleVerdict verdict = EvaluateDeletionRules(RuleSet{.RuleNoJapanese = 1}, spam);
    ASSERT_EQ(verdict.EraseList.size(), 1000u);
    EXPECT_EQ(verdict.EraseList.back(), 1000);
}

} // namespace
