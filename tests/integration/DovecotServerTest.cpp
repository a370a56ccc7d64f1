#include "DovecotFixture.h"
#include "support/SequentialPop3Client.h"

#include <QStringList>

using testsupport::listMessageIds;
using testsupport::SequentialPop3Client;

namespace {

QByteArray message(int n)
{
    return "Message-ID: <smoke-" + QByteArray::number(n) +
           "@postsweep.test>\nSubject: test\n\nbody line\n.line starting with a dot\n";
}

QStringList ids(std::initializer_list<int> numbers)
{
    QStringList list;
    for (const int n : numbers)
        list.append(QStringLiteral("<smoke-%1@postsweep.test>").arg(n));
    return list;
}

} // namespace

TEST_F(DovecotTest, ServesMessagesInTheOrderTheyWereWritten)
{
    QList<QByteArray> messages;
    for (int n = 1; n <= 12; ++n)
        messages.append(message(n));
    ASSERT_TRUE(server.addUser(QStringLiteral("alice"), QStringLiteral("alice-pw")));
    ASSERT_TRUE(server.setMessages(QStringLiteral("alice"), messages));

    QString error;
    const auto listed = listMessageIds(server.host(), server.port(), QStringLiteral("alice"),
                                       QStringLiteral("alice-pw"), &error);
    ASSERT_TRUE(listed) << error.toStdString();
    EXPECT_EQ(*listed, ids({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(DovecotTest, AcceptsTheEngineCommandLinesAndRefusesNoiseAfterAnArgument)
{
    ASSERT_TRUE(server.addUser(QStringLiteral("alice"), QStringLiteral("alice-pw")));
    ASSERT_TRUE(server.setMessages(QStringLiteral("alice"), {message(1), message(2)}));
    SequentialPop3Client client;
    ASSERT_TRUE(client.connectToServer(server.host(), server.port()));
    ASSERT_TRUE(client.login(QStringLiteral("alice"), QStringLiteral("alice-pw")));

    EXPECT_EQ(client.command("STAT ").value_or("none"), "+OK 2 186");
    const QByteArray list = client.multiLineCommand("LIST ").value_or("none");
    EXPECT_TRUE(list.startsWith("+OK")) << list.constData();
    EXPECT_TRUE(list.endsWith("\r\n1 93\r\n2 93\r\n.\r\n")) << list.constData();
    // TOP n 0 sends the header and the blank line; a body line beginning with "." never shows.
    EXPECT_EQ(client.multiLineCommand("TOP 2 0").value_or("none"),
              "+OK\r\nMessage-ID: <smoke-2@postsweep.test>\r\nSubject: test\r\n\r\n.\r\n");
    EXPECT_TRUE(client.command("TOP 1 0 ").value_or("none").startsWith("-ERR"));
    EXPECT_EQ(client.command("QUIT ").value_or("none"), "+OK Logging out.");
}

TEST_F(DovecotTest, RefusesAWrongPasswordAndTakesAChangedOne)
{
    ASSERT_TRUE(server.addUser(QStringLiteral("bob"), QStringLiteral("first")));
    SequentialPop3Client client;
    ASSERT_TRUE(client.connectToServer(server.host(), server.port()));
    EXPECT_FALSE(client.login(QStringLiteral("bob"), QStringLiteral("wrong")));
    EXPECT_EQ(client.errorString(), QStringLiteral("-ERR [AUTH] Authentication failed."));
    client.disconnectFromServer();

    ASSERT_TRUE(server.addUser(QStringLiteral("bob"), QStringLiteral("second")));
    ASSERT_TRUE(client.connectToServer(server.host(), server.port()));
    EXPECT_FALSE(client.login(QStringLiteral("bob"), QStringLiteral("first")));
    client.disconnectFromServer();
    ASSERT_TRUE(client.connectToServer(server.host(), server.port()));
    EXPECT_TRUE(client.login(QStringLiteral("bob"), QStringLiteral("second")));
}

TEST_F(DovecotTest, SequentialSessionDeletesTheGivenMessagesAtQuit)
{
    QList<QByteArray> messages;
    for (int n = 1; n <= 6; ++n)
        messages.append(message(n));
    ASSERT_TRUE(server.addUser(QStringLiteral("carol"), QStringLiteral("carol-pw")));
    ASSERT_TRUE(server.setMessages(QStringLiteral("carol"), messages));

    QString error;
    ASSERT_TRUE(testsupport::runSequentialSession(server.host(), server.port(),
                                                  QStringLiteral("carol"),
                                                  QStringLiteral("carol-pw"), {2, 5}, &error))
        << error.toStdString();
    const auto left = listMessageIds(server.host(), server.port(), QStringLiteral("carol"),
                                     QStringLiteral("carol-pw"), &error);
    ASSERT_TRUE(left) << error.toStdString();
    EXPECT_EQ(*left, ids({1, 3, 4, 6}));

    // A new mailbox replaces the old one whole.
    ASSERT_TRUE(server.setMessages(QStringLiteral("carol"), {message(9)}));
    EXPECT_EQ(listMessageIds(server.host(), server.port(), QStringLiteral("carol"),
                             QStringLiteral("carol-pw")),
              ids({9}));
}
