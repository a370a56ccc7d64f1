#include "DovecotFixture.h"
#include "EngineRun.h"
#include "ExpectedLog.h"
#include "platform/Codepage.h"
#include "support/SequentialPop3Client.h"

using testsupport::SampleMessage;

namespace {

const QString kUser = QStringLiteral("taro");
const QString kPassword = QStringLiteral("Kx7-pw!q2");

} // namespace

TEST_F(DovecotTest, RunDeletesExactlyTheMarkedMessagesOfTheSampleMailbox)
{
    const QList<SampleMessage> mailbox = testsupport::sampleMailbox();
    ASSERT_EQ(mailbox.size(), 126);
    ASSERT_TRUE(server.addUser(kUser, kPassword));
    ASSERT_TRUE(server.setMessages(kUser, testsupport::messageTexts(mailbox)));

    SettingsModel settings;
    settings.profile(1) = accountProfile(kUser, kPassword);
    EngineRun run(settings);
    ASSERT_TRUE(run.run(30000)) << "the run did not end within 30 s";

    QString error;
    const auto left =
        testsupport::listMessageIds(server.host(), server.port(), kUser, kPassword, &error);
    ASSERT_TRUE(left) << error.toStdString();
    EXPECT_EQ(asText(*left), asText(idsOf(mailbox, false)));
    EXPECT_EQ(asText(run.logLines()), asText(sessionLines(kUser, mailbox)));
}

TEST_F(DovecotTest, PasswordAppearsNowhereInTheLogOrTheMonitor)
{
    const QList<SampleMessage> mailbox = testsupport::sampleMailbox().mid(0, 4);
    ASSERT_TRUE(server.addUser(kUser, kPassword));
    ASSERT_TRUE(server.setMessages(kUser, testsupport::messageTexts(mailbox)));

    SettingsModel settings;
    settings.profile(1) = accountProfile(kUser, kPassword);
    EngineRun run(settings);
    ASSERT_TRUE(run.run(20000));

    // The session did run to its end: otherwise the checks below prove nothing.
    ASSERT_EQ(asText(run.logLines()), asText(sessionLines(kUser, mailbox)));
    EXPECT_TRUE(run.monitor().transcript.contains(QStringLiteral("PASS *******\r\n")));
    EXPECT_TRUE(run.monitor().statuses.contains(QStringLiteral("PASS *******")));
    EXPECT_FALSE(run.monitor().transcript.contains(kPassword));
    EXPECT_FALSE(run.monitor().statuses.join(QLatin1Char('\n')).contains(kPassword));
    EXPECT_FALSE(run.logBytes().contains(kPassword.toLatin1()));
}
