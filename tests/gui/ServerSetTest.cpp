// The settings dialog on virtual time with the scripted server: every control found
// by its objectName, message boxes recorded instead of shown.

#include "dialogs/ServerVerify.h"
#include "settings/OptionsFile.h"
#include "settings/SettingsFile.h"
#include "support/DialogHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <utility>

namespace {

struct Harness : DialogHarness
{
    // The dialog, shown when first asked for.
    ServerSet& dialog()
    {
        if (!std::exchange(shown, true))
            serverSet().show();
        return serverSet();
    }
    template <typename T> T* control(const QString& name) { return find<T>(dialog(), name); }
    QLineEdit* text(const QString& name) { return control<QLineEdit>(name); }
    QCheckBox* check(const QString& name) { return control<QCheckBox>(name); }
    void press(const QString& name) { control<QPushButton>(name)->click(); }
    void type(const QString& name, const QString& value) { QTest::keyClicks(text(name), value); }
    void typeServer(int n, const QString& server, const QString& id, const QString& password)
    {
        type(QStringLiteral("Server%1").arg(n), server);
        type(QStringLiteral("Id%1").arg(n), id);
        type(QStringLiteral("PassWd%1").arg(n), password);
    }
    QWidget* page(int n) { return control<QTabWidget>("SSTab1")->widget(n - 1); }
    QByteArray settingsFile() const { return readFile(ctx.settingsPath()); }
    bool shown = false;
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
        auto* tabs = h.control<QTabWidget>("SSTab1");
        QStringList captions;
        for (int i = 0; i < tabs->count(); ++i)
            captions << tabs->tabText(i);
        QCOMPARE(captions, QStringList({"サーバ設定1", "サーバ設定2", "サーバ設定3", "サーバ設定４",
                                        "サーバ設定５"}));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(h.dialog().windowTitle(), QStringLiteral("サーバ／削除条件の設定"));
        QCOMPARE(h.control<QPushButton>("設定完了")->text(), QStringLiteral("設定終了"));
        QVERIFY(h.text("Port3")->isHidden());
        QCOMPARE(h.text("Port3")->text(), QStringLiteral("110"));
        for (int n = 1; n <= 5; ++n)
            QVERIFY(h.text(QStringLiteral("TitleD%1_9").arg(n))->isHidden());
    }

    void onlyProfileThreeCompleteIsWrittenAndEnabled()
    {
        Harness h;
        h.typeServer(3, "pop.example", "alice", "pw");
        h.type("Server1", "half.example");
        h.control<QPlainTextEdit>("AllowList3")
            ->setPlainText("Boss@Example.jp\nnot-an-address\n@partner.jp");
        h.press("設定完了");

        QCOMPARE(h.warnings, QStringList());
        QVERIFY(h.dialog().isHidden());
        QCOMPARE(h.mainWindow, QStringList({"show"}));
        QCOMPARE(h.settingsFile().count("\r\n"), 36);
        const bool expected[] = {false, false, true, false, false};
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(h.ctx.settings.profile(n).Enabled, expected[n - 1]);
        // The allow-list goes to the options file, PostSweep.ini keeps its lines.
        QCOMPARE(OptionsFile::load(h.ctx.directory).allowList(3),
                 QStringList({"Boss@Example.jp", "@partner.jp"}));
    }

    void profilesWithoutPasswordShowTheMessageAndChangeNothing()
    {
        Harness h;
        for (int n = 1; n <= 5; ++n)
            h.typeServer(n, "pop.example", "alice", "");
        h.press("設定確認");
        h.press("設定完了");

        QCOMPARE(h.warnings, QStringList({kNoServer, kNoServer}));
        QVERIFY(h.dialog().isVisible());
        QVERIFY(!h.dialog().verifyWindow());
        QVERIFY(!QFile::exists(h.ctx.settingsPath()));
        QVERIFY(!QFile::exists(h.ctx.log.path()));
    }

    void senderListShowsAndHidesAndKeepsItsText()
    {
        Harness h;
        auto* rule = h.check("差出人2");
        rule->click();
        for (int i = 0; i < 10; ++i)
            QVERIFY(h.text(QStringLiteral("From2_%1").arg(i))->isVisibleTo(h.page(2)));
        h.type("From2_7", "spammer.example");
        rule->click();
        for (int i = 0; i < 10; ++i)
            QVERIFY(!h.text(QStringLiteral("From2_%1").arg(i))->isVisibleTo(h.page(2)));

        h.typeServer(2, "pop.example", "alice", "pw");
        h.press("設定完了");
        QVERIFY(h.settingsFile().contains("\"spammer.example\""));
        QCOMPARE(h.ctx.settings.profile(2).RuleSenderWords, qint16(0));
    }

    void cancelKeepsTheEditsForTheNextRunAndLeavesTheFileAlone()
    {
        Harness h;
        h.typeServer(1, "old.example", "alice", "pw");
        h.press("設定完了");
        const QByteArray saved = h.settingsFile();
        QVERIFY(!saved.isEmpty());

        h.dialog().show();
        h.text("Server1")->clear();
        h.type("Server1", "new.example");
        h.text("PassWd1")->clear();
        h.press("キャンセル");

        QVERIFY(h.dialog().isHidden());
        QCOMPARE(h.settingsFile(), saved);
        QCOMPARE(h.ctx.settings.profile(1).Server, QStringLiteral("new.example"));
        QVERIFY(h.ctx.settings.profile(1).Enabled); // kept from the last refresh
        h.dialog().show();
        QCOMPARE(h.text("Server1")->text(), QStringLiteral("new.example"));
    }

    void closingThroughTheTitleBarActsLikeCancel()
    {
        Harness h;
        h.type("Server4", "kept.example");
        h.dialog().close();
        QVERIFY(h.dialog().isHidden());
        QCOMPARE(h.mainWindow, QStringList({"show"}));
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

        h.control<QTabWidget>("SSTab1")->setCurrentIndex(3);
        for (int n = 1; n <= 5; ++n)
            for (int i = 0; i < 10; ++i) {
                QCOMPARE(
                    h.text(QStringLiteral("TitleD%1_%2").arg(n).arg(i))->isVisibleTo(h.page(n)),
                    n == 4);
                QVERIFY(!h.text(QStringLiteral("From%1_%2").arg(n).arg(i))->isVisibleTo(h.page(n)));
            }
        QVERIFY(h.text("TitleD4_0")->isVisible());
        QCOMPARE(h.text("TitleD4_2")->text(), QStringLiteral("広告"));
        QVERIFY(h.check("タイトル文字列4")->isChecked());
    }

    void passwordDisplayShowsThePasswordInClearWhileSet()
    {
        Harness h;
        auto* password = h.text("PassWd5");
        auto* display = h.check("PassD5");
        h.type("PassWd5", "hunter2");
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
        h.typeServer(1, "pop.example", "alice", "pw");
        h.check("タイトル文字列2")->click();
        h.type("TitleD2_0", "say \"hi\"");

        h.press("設定完了");
        h.press("設定確認");

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
        h.server.setMailbox({.faults = {{"greeting", 1, FaultKind::Silence}}});
        h.typeServer(1, "pop.example", "alice", "secret");
        h.press("設定確認");
        h.loop.advance(500ms);
        QVERIFY(h.ctx.engine.heldBy(EngineOwner::User::Check));

        h.dialog().verifyWindow()->close();

        QVERIFY(h.dialog().verifyWindow()->isHidden());
        QVERIFY(h.dialog().isVisible());
        QCOMPARE(h.loop.activeTimerCount(), 0);
        QVERIFY(!h.ctx.engine.heldBy(EngineOwner::User::Check));
        QCOMPARE(h.find<QLabel>(*h.dialog().verifyWindow(), "Label6")->text(),
                 QStringLiteral("未チェック"));
    }
};

QTEST_MAIN(ServerSetTest)
#include "ServerSetTest.moc"
