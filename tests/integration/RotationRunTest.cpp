// Runs over several profiles against Dovecot, on Qt's event loop and sockets as the
// program runs them: which accounts are visited, what is deleted and logged.

#include "DovecotFixture.h"
#include "core/AppContext.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "support/ExpectedLog.h"
#include "support/Files.h"
#include "support/SequentialPop3Client.h"

#include <QEventLoop>
#include <QTimer>

using testsupport::SampleMessage;

namespace {

// Small mailboxes cut from the sample, each with kept and deleted messages.
QList<SampleMessage> mailbox(int first, int count)
{
    return testsupport::sampleMailbox().mid(first, count);
}

} // namespace

class RotationRunTest : public DovecotTest
{
protected:
    void addAccount(const QString& user, const QList<SampleMessage>& messages)
    {
        ASSERT_TRUE(server.addUser(user, user + QStringLiteral("-pw")));
        ASSERT_TRUE(server.setMessages(user, testsupport::messageTexts(messages)));
    }
    QStringList idsLeft(const QString& user)
    {
        return testsupport::listMessageIds(server.host(), server.port(), user,
                                           user + QStringLiteral("-pw"))
            .value_or(QStringList{QStringLiteral("cannot list")});
    }
    ServerProfile profileOf(const QString& user)
    {
        return accountProfile(user, user + QStringLiteral("-pw"));
    }

    // One run over the enabled profiles until its end-of-run action (at most 20 s),
    // logging under Japanese regional settings; the log with the run's stamps made "<stamp>".
    static QStringList runAndReadLog(const SettingsModel& settings)
    {
        TempDir dir;
        platform::QtEventLoop loop;
        platform::QtTcpClient socket;
        AppContext ctx(loop, socket, dir.path());
        ctx.settings = settings;
        ctx.log.setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
        QEventLoop events;
        bool finished = false;
        ctx.rotation.setEndOfRunHandler([&] {
            finished = true;
            ctx.rotation.Timer4().stop();
            events.quit();
        });
        QTimer::singleShot(20000, &events, &QEventLoop::quit);
        const QDateTime started = QDateTime::currentDateTime();
        ctx.rotation.startRun();
        if (!finished)
            events.exec();
        EXPECT_TRUE(finished) << "the run did not end within 20 s";
        return maskStamps(logLines(ctx.log.path()), started, QDateTime::currentDateTime());
    }
};

TEST_F(RotationRunTest, WrongPasswordOnTheFirstProfileIsLoggedAndTheSecondIsProcessed)
{
    const auto hanako = mailbox(0, 6);
    const auto jiro = mailbox(6, 5);
    addAccount(QStringLiteral("hanako"), hanako);
    addAccount(QStringLiteral("jiro"), jiro);
    SettingsModel settings;
    settings.profile(1) = accountProfile(QStringLiteral("hanako"), QStringLiteral("not-it"));
    settings.profile(2) = profileOf(QStringLiteral("jiro"));

    const QStringList expected =
        QStringList{
            QString(),
            stamped(QStringLiteral(" 127.0.0.1に　ID:hanakoでサーバに接続を開始しました")),
            QStringLiteral("-ERR [AUTH] Authentication failed."),
            QString(),
            stamped(QStringLiteral(" 127.0.0.1 サーバがエラーを返しました")),
        } +
        sessionLines(QStringLiteral("jiro"), jiro);
    EXPECT_EQ(asText(runAndReadLog(settings)), asText(expected));
    EXPECT_EQ(asText(idsLeft(QStringLiteral("hanako"))), asText(allIds(hanako)));
    EXPECT_EQ(asText(idsLeft(QStringLiteral("jiro"))), asText(idsOf(jiro, false)));
}

TEST_F(RotationRunTest, ProfilesOneAndFourEnabledAreProcessedAndNoOther)
{
    const auto ichiro = mailbox(16, 4);
    const auto saburo = mailbox(20, 5);
    const auto shiro = mailbox(26, 5);
    addAccount(QStringLiteral("ichiro"), ichiro);
    addAccount(QStringLiteral("saburo"), saburo);
    addAccount(QStringLiteral("shiro"), shiro);
    SettingsModel settings;
    settings.profile(1) = profileOf(QStringLiteral("ichiro"));
    // Profiles 2, 3 and 5 lack a password, so they are not enabled.
    for (const int disabled : {2, 3, 5}) {
        settings.profile(disabled) = profileOf(QStringLiteral("saburo"));
        settings.profile(disabled).PassWd.clear();
        settings.profile(disabled).Enabled = false;
    }
    settings.profile(4) = profileOf(QStringLiteral("shiro"));

    EXPECT_EQ(asText(runAndReadLog(settings)),
              asText(sessionLines(QStringLiteral("ichiro"), ichiro) +
                     sessionLines(QStringLiteral("shiro"), shiro)));
    EXPECT_EQ(asText(idsLeft(QStringLiteral("ichiro"))), asText(idsOf(ichiro, false)));
    EXPECT_EQ(asText(idsLeft(QStringLiteral("saburo"))), asText(allIds(saburo)));
    EXPECT_EQ(asText(idsLeft(QStringLiteral("shiro"))), asText(idsOf(shiro, false)));
}

TEST_F(RotationRunTest, OnlyProfileFiveEnabledIsProcessed)
{
    const auto goro = mailbox(30, 6);
    addAccount(QStringLiteral("goro"), goro);
    SettingsModel settings;
    settings.profile(5) = profileOf(QStringLiteral("goro"));

    EXPECT_EQ(asText(runAndReadLog(settings)), asText(sessionLines(QStringLiteral("goro"), goro)));
    EXPECT_EQ(asText(idsLeft(QStringLiteral("goro"))), asText(idsOf(goro, false)));
}
