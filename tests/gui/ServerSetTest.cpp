// The settings dialog on virtual time with the scripted server: every control found
// by its objectName, message boxes recorded instead of shown.

#include "dialogs/ServerSet.h"

#include "app/control/AppContext.h"
#include "dialogs/ServerVerify.h"
#include "platform/Codepage.h"
#include "platform/VirtualEventLoop.h"
#include "settings/SettingsFile.h"
#include "support/ScriptedTcpClient.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <chrono>

using namespace std::chrono_literals;

namespace {

struct Harness
{
    Harness()
    {
        ScriptedMailbox box;
        box.headers = {"Subject: one\r\n"};
        server.setMailbox(box);
    }

    ServerSet& dialog()
    {
        if (!window) {
            window = std::make_unique<ServerSet>(ctx);
            window->setWarnFunction([this](QWidget*, const QString& text) { warnings << text; });
            window->show();
        }
        return *window;
    }
    template <typename T> T* find(const QString& name)
    {
        auto* found = dialog().findChild<T*>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QLineEdit* text(const QString& name) { return find<QLineEdit>(name); }
    QCheckBox* check(const QString& name) { return find<QCheckBox>(name); }
    void press(const QString& name) { find<QPushButton>(name)->click(); }
    void type(const QString& name, const QString& value) { QTest::keyClicks(text(name), value); }
    QWidget* page(int n) { return find<QTabWidget>(QStringLiteral("SSTab1"))->widget(n - 1); }

    QByteArray settingsFile() const
    {
        QFile file(ctx.settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TempDir dir;
    platform::VirtualEventLoop loop;
    ScriptedTcpClient server{loop};
    AppContext ctx{loop, server, dir.path()};
    std::unique_ptr<ServerSet> window;
    QStringList warnings;
};

const QString kNoServer =
    QStringLiteral("サーバの設定がされていません\n最低１つは設定してください");

} // namespace

class ServerSetTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void hasTheFiveTabsAndTheButtons()
    {
        Harness h;
        auto* tabs = h.find<QTabWidget>(QStringLiteral("SSTab1"));
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions, QStringList({"サーバ設定1", "サーバ設定2", "サーバ設定3", "サーバ設定４",
                                        "サーバ設定５"}));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(h.dialog().windowTitle(), QStringLiteral("サーバ／削除条件の設定"));
        QCOMPARE(h.find<QPushButton>(QStringLiteral("設定完了"))->text(),
                 QStringLiteral("設定終了"));
        QVERIFY(h.text(QStringLiteral("Port3"))->isHidden());
        QCOMPARE(h.text(QStringLiteral("Port3"))->text(), QStringLiteral("110"));
        for (int n = 1; n <= 5; ++n)
            QVERIFY(h.text(QStringLiteral("TitleD%1_9").arg(n))->isHidden());
    }

    void onlyProfileThreeCompleteIsWrittenAndEnabled()
    {
        Harness h;
        QSignalSpy back(&h.dialog(), &ServerSet::backToMainWindow);
        h.type(QStringLiteral("Server3"), QStringLiteral("pop.example"));
        h.type(QStringLiteral("Id3"), QStringLiteral("alice"));
        h.type(QStringLiteral("PassWd3"), QStringLiteral("pw"));
        h.type(QStringLiteral("Server1"), QStringLiteral("half.example"));
        h.press(QStringLiteral("設定完了"));

        QCOMPARE(h.warnings, QStringList());
        QVERIFY(h.dialog().isHidden());
        QCOMPARE(back.count(), 1);
        QCOMPARE(h.settingsFile().count("\r\n"), 36);
        const bool expected[] = {false, false, true, false, false};
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(h.ctx.settings.profile(n).Enabled, expected[n - 1]);
    }

    void profilesWithoutPasswordShowTheMessageAndChangeNothing()
    {
        Harness h;
        for (int n = 1; n <= 5; ++n) {
            h.type(QStringLiteral("Server%1").arg(n), QStringLiteral("pop.example"));
            h.type(QStringLiteral("Id%1").arg(n), QStringLiteral("alice"));
        }
        h.press(QStringLiteral("設定確認"));
        h.press(QStringLiteral("設定完了"));

        QCOMPARE(h.warnings, QStringList({kNoServer, kNoServer}));
        QVERIFY(h.dialog().isVisible());
        QVERIFY(!h.dialog().verifyWindow());
        QVERIFY(!QFile::exists(h.ctx.settingsPath()));
        QVERIFY(!QFile::exists(h.dir.file(QStringLiteral("PostSweep.log"))));
    }

    void senderListShowsAndHidesAndKeepsItsText()
    {
        Harness h;
        auto* rule = h.check(QStringLiteral("差出人2"));
        QWidget* page = h.page(2);
        rule->click();
        for (int i = 0; i < 10; ++i)
            QVERIFY(h.text(QStringLiteral("From2_%1").arg(i))->isVisibleTo(page));
        h.type(QStringLiteral("From2_7"), QStringLiteral("spammer.example"));
        rule->click();
        for (int i = 0; i < 10; ++i)
            QVERIFY(!h.text(QStringLiteral("From2_%1").arg(i))->isVisibleTo(page));

        h.type(QStringLiteral("Server2"), QStringLiteral("pop.example"));
        h.type(QStringLiteral("Id2"), QStringLiteral("alice"));
        h.type(QStringLiteral("PassWd2"), QStringLiteral("pw"));
        h.press(QStringLiteral("設定完了"));
        QVERIFY(h.settingsFile().contains("\"spammer.example\""));
        QCOMPARE(h.ctx.settings.profile(2).RuleSenderWords, qint16(0));
    }

    void cancelKeepsTheEditsForTheNextRunAndLeavesTheFileAlone()
    {
        Harness h;
        h.type(QStringLiteral("Server1"), QStringLiteral("old.example"));
        h.type(QStringLiteral("Id1"), QStringLiteral("alice"));
        h.type(QStringLiteral("PassWd1"), QStringLiteral("pw"));
        h.press(QStringLiteral("設定完了"));
        const QByteArray saved = h.settingsFile();
        QVERIFY(!saved.isEmpty());

        h.dialog().show();
        h.text(QStringLiteral("Server1"))->clear();
        h.type(QStringLiteral("Server1"), QStringLiteral("new.example"));
        h.text(QStringLiteral("PassWd1"))->clear();
        h.press(QStringLiteral("キャンセル"));

        QVERIFY(h.dialog().isHidden());
        QCOMPARE(h.settingsFile(), saved);
        QCOMPARE(h.ctx.settings.profile(1).Server, QStringLiteral("new.example"));
        QVERIFY(h.ctx.settings.profile(1).Enabled); // kept from the last refresh
        h.dialog().show();
        QCOMPARE(h.text(QStringLiteral("Server1"))->text(), QStringLiteral("new.example"));
    }

    void closingThroughTheTitleBarActsLikeCancel()
    {
        Harness h;
        QSignalSpy back(&h.dialog(), &ServerSet::backToMainWindow);
        h.type(QStringLiteral("Server4"), QStringLiteral("kept.example"));
        h.dialog().close();
        QVERIFY(h.dialog().isHidden());
        QCOMPARE(back.count(), 1);
        QCOMPARE(h.ctx.settings.profile(4).Server, QStringLiteral("kept.example"));
        QVERIFY(!QFile::exists(h.ctx.settingsPath()));
    }

    void aLoadedFileThatSetsTitleFourShowsExactlyThatList()
    {
        Harness h;
        SettingsModel stored;
        stored.profile(4).RuleSubjectWords = 1;
        stored.profile(4).SubjectWords[2] = QStringLiteral("広告");
        QVERIFY(SetDataWrite(h.ctx.settingsPath(), stored).ok);
        QCOMPARE(LoadSettings(h.ctx.settingsPath(), h.ctx.settings), LoadOutcome::Complete);

        h.find<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(3);
        for (int n = 1; n <= 5; ++n)
            for (int i = 0; i < 10; ++i) {
                QCOMPARE(
                    h.text(QStringLiteral("TitleD%1_%2").arg(n).arg(i))->isVisibleTo(h.page(n)),
                    n == 4);
                QVERIFY(!h.text(QStringLiteral("From%1_%2").arg(n).arg(i))->isVisibleTo(h.page(n)));
            }
        QVERIFY(h.text(QStringLiteral("TitleD4_0"))->isVisible());
        QCOMPARE(h.text(QStringLiteral("TitleD4_2"))->text(), QStringLiteral("広告"));
        QVERIFY(h.check(QStringLiteral("タイトル文字列4"))->isChecked());
    }

    void passwordDisplayShowsThePasswordInClearWhileSet()
    {
        Harness h;
        auto* password = h.text(QStringLiteral("PassWd5"));
        auto* display = h.check(QStringLiteral("PassD5"));
        h.type(QStringLiteral("PassWd5"), QStringLiteral("hunter2"));
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        display->click();
        QCOMPARE(password->echoMode(), QLineEdit::Normal);
        QCOMPARE(password->displayText(), QStringLiteral("hunter2"));
        display->click();
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QVERIFY(!password->testAttribute(Qt::WA_InputMethodEnabled));
        QCOMPARE(h.ctx.settings.profile(5).PassWd, QStringLiteral("hunter2"));
    }

    void aFieldTheFileCannotHoldIsRefused()
    {
        Harness h;
        h.type(QStringLiteral("Server1"), QStringLiteral("pop.example"));
        h.type(QStringLiteral("Id1"), QStringLiteral("alice"));
        h.type(QStringLiteral("PassWd1"), QStringLiteral("pw"));
        h.check(QStringLiteral("タイトル文字列2"))->click();
        h.type(QStringLiteral("TitleD2_0"), QStringLiteral("say \"hi\""));

        h.press(QStringLiteral("設定完了"));
        h.press(QStringLiteral("設定確認"));

        QCOMPARE(h.warnings.size(), 2);
        QVERIFY2(h.warnings.at(0).startsWith(QStringLiteral("サーバ設定2 の「タイトル文字列1」に")),
                 qPrintable(h.warnings.at(0)));
        QCOMPARE(h.warnings.at(1), h.warnings.at(0));
        QVERIFY(h.dialog().isVisible());
        QVERIFY(!h.dialog().verifyWindow());
        QVERIFY(!QFile::exists(h.ctx.settingsPath()));
    }

    void closingTheVerificationWindowCancelsTheCheck()
    {
        Harness h;
        ScriptedMailbox silent;
        silent.faults = {{"greeting", 1, FaultKind::Silence}};
        h.server.setMailbox(silent);
        h.type(QStringLiteral("Server1"), QStringLiteral("pop.example"));
        h.type(QStringLiteral("Id1"), QStringLiteral("alice"));
        h.type(QStringLiteral("PassWd1"), QStringLiteral("secret"));
        h.press(QStringLiteral("設定確認"));
        h.loop.advance(500ms);
        QVERIFY(h.ctx.loginCheckActive);

        h.dialog().verifyWindow()->close();

        QVERIFY(h.dialog().verifyWindow()->isHidden());
        QVERIFY(h.dialog().isVisible());
        QCOMPARE(h.loop.activeTimerCount(), 0);
        QVERIFY(!h.ctx.loginCheckActive);
        QCOMPARE(h.dialog().verifyWindow()->findChild<QLabel*>(QStringLiteral("Label6"))->text(),
                 QStringLiteral("未チェック"));
    }
};

QTEST_MAIN(ServerSetTest)
#include "ServerSetTest.moc"
