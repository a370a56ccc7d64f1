#include "pop3/HeaderStore.h"

#include <gtest/gtest.h>

namespace {

// A TOP reply as a server sends it: status line, header, empty line, ".".
const QString kReply = QStringLiteral("+OK 1042 octets\r\n"
                                      "Return-Path: <news@shop.example>\r\n"
                                      "Received: from mx.shop.example by mail.example.com\r\n"
                                      "From: =?ISO-2022-JP?B?GyRCJCIbKEI=?= <news@shop.example>\r\n"
                                      "To: =?UTF-8?B?5aSq6YOO?= <taro@example.com>\r\n"
                                      "Subject: =?UTF-8?B?44K744O844Or?=\r\n"
                                      "Date: Sat, 14 Mar 2026 09:05:07 +0900\r\n"
                                      "\r\n"
                                      ".\r\n");

} // namespace

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
