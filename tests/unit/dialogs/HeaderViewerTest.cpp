#include "diagnostics/control/HeaderViewer.h"

#include "pop3/HeaderStore.h"

#include <gtest/gtest.h>

namespace {

TEST(HeaderViewer, OnlyWholeNumbersFromOneTo1001AreMessageNumbers)
{
    struct Row
    {
        const char* text;
        std::optional<int> number;
    };
    const Row rows[] = {
        {"1", 1},
        {"1001", 1001},
        {" 7 ", 7},
        {"0", std::nullopt},
        {"1002", std::nullopt},
        {"-3", std::nullopt},
        {"abc", std::nullopt},
        {"2x", std::nullopt},
        {"", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(HeaderViewer::messageNumber(QString::fromUtf8(row.text)), row.number) << row.text;
}

TEST(HeaderViewer, StepsStopAtTheEndsAndNeverTouchTheEnginesNumber)
{
    HeaderStore store;
    store.MaxMail = 3;
    store.HeaderNo = 2;
    HeaderViewer viewer(store);

    struct Row
    {
        const char* name;
        std::optional<int> (HeaderViewer::*command)(const QString&);
        const char* typed;
        std::optional<int> shown;
    };
    const Row rows[] = {
        {"UP below MaxMail", &HeaderViewer::up, "2", 3},
        {"UP at MaxMail", &HeaderViewer::up, "3", std::nullopt},
        {"UP above MaxMail", &HeaderViewer::up, "10", 11},
        {"UP at the last slot", &HeaderViewer::up, "1001", std::nullopt},
        {"DOWN above 1", &HeaderViewer::down, "3", 2},
        {"DOWN at 1", &HeaderViewer::down, "1", std::nullopt},
        {"UP on text", &HeaderViewer::up, "x", std::nullopt},
        {"show 1001", &HeaderViewer::show, "1001", 1001},
        {"show 0", &HeaderViewer::show, "0", std::nullopt},
    };
    for (const Row& row : rows) {
        const int before = viewer.number();
        EXPECT_EQ((viewer.*row.command)(QString::fromUtf8(row.typed)), row.shown) << row.name;
        EXPECT_EQ(viewer.number(), row.shown.value_or(before)) << row.name;
        EXPECT_EQ(store.HeaderNo, 2) << row.name;
    }
}

} // namespace
