#include "pop3/HeaderStore.h"

#include <gtest/gtest.h>

TEST(HeaderStore, StoreFieldsOverwritesWhatAnEarlierServerLeftAndIgnoresOtherSlots)
{
    HeaderStore store;
    store.MailSubject(1) = QStringLiteral("old subject");
    store.MailCc(1) = QStringLiteral("old@cc.example");
    store.MailTo(2) = QStringLiteral("untouched");
    store.HeaderText(1) = QStringLiteral("+OK\r\nFrom: a@b.example\r\n\r\n.\r\n");
    store.storeFields(1);
    for (const int outside : {0, 1002, -1})
        store.storeFields(outside);
    EXPECT_EQ(store.MailSubject(1), QString());
    EXPECT_EQ(store.MailFrom(1), QStringLiteral("a@b.example"));
    EXPECT_EQ(store.MailCc(1), QString());
    EXPECT_EQ(store.MailTo(2), QStringLiteral("untouched"));
    EXPECT_EQ(store.MailSubject(0), QString());
}
