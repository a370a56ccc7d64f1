// The test server itself: accounts, passwords and mailboxes as the other suites use them.

#include "DovecotFixture.h"
#include "support/SequentialPop3Client.h"

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
