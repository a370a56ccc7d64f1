#include "rules/DeletionRules.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(EvaluateDeletionRules, ListsEachMarkedMessageOnceWithItsLogText)
{
    // clang-format off
    const struct { const char* name; RuleSet rules; std::vector<MessageFields> messages; std::vector<int> erased; QStringList marked; } rows[] = {
        {"two of three", {.RuleNoJapanese = 1, .RuleUnsolicited = 1}, {{"Cheap watches", "spam@x.example", "taro@example.com"}, {"会議の件", "boss@example.com", "taro@example.com"}, {"未承諾広告※", "出会い <ad@y.example>", "taro@example.com"}}, {1, 3}, {"タイトル:Cheap watches 差出人:spam@x.example", "タイトル:未承諾広告※ 差出人:出会い <ad@y.example>"}},
        {"empty sender", {.RuleNoJapanese = 1}, {{"Hello", ""}}, {1}, {"タイトル:Hello 差出人:"}},
        {"line breaks in the values do not split the line", {.RuleNoJapanese = 1}, {{"Win\r\n2026/03/14 9:05:07  forged", "a\nb"}}, {1}, {"タイトル:Win  2026/03/14 9:05:07  forged 差出人:a b"}},
        {"no messages", {.RuleNoJapanese = 1}, {}, {}, {}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RuleVerdict verdict = EvaluateDeletionRules(row.rules, row.messages);
        EXPECT_EQ(std::vector<int>(verdict.EraseList.begin(), verdict.EraseList.end()), row.erased);
        EXPECT_EQ(verdict.marked, row.marked);
    }
}

TEST(EvaluateDeletionRules, MessagesBeyondAThousandAreNotTested)
{
    const std::vector<MessageFields> spam(1001, MessageFields{"spam", "x"});
    const RuleVerdict verdict = EvaluateDeletionRules(RuleSet{.RuleNoJapanese = 1}, spam);
    ASSERT_EQ(verdict.EraseList.size(), 1000u);
    EXPECT_EQ(verdict.EraseList.front(), 1);
    EXPECT_EQ(verdict.EraseList.back(), 1000);
}

} // namespace
