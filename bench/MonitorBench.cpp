// A run-once over 1,000 messages (100 of them deleted by the rules) against Dovecot on
// loopback, through the whole program on the offscreen platform: from "実行" to the
// server's answer to QUIT, once with the command monitor taking the dialogue and once with the
// monitor shown but left out of it (the engine and run control alone). Prints both
// times (median of several rounds) and their ratio.
// Run with QT_QPA_PLATFORM=offscreen.

#include "app/DesktopShell.h"
#include "app/PostSweepApp.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "settings/SettingsFile.h"
#include "support/BenchMailbox.h"
#include "support/DovecotServer.h"
#include "support/SequentialPop3Client.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kMessages = 1000;
constexpr int kRounds = 9;
const QString kUser = QStringLiteral("bench");
const QString kPassword = QStringLiteral("bench-pw");

// The desktop with the real monitor; the end of the program ends the waiting loop.
class BenchShell final : public DesktopShell
{
public:
    using DesktopShell::DesktopShell;
    QEventLoop* events = nullptr;
    void warn(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void quit() override { events->quit(); }
};

// One run-once through the program; its wall time in milliseconds, or nothing when
// it did not end by itself.
std::optional<double> programRun(const testsupport::DovecotServer& server, bool monitorTakesPart)
{
    QTemporaryDir dir;
    SettingsModel settings;
    ServerProfile& p = settings.profile(1);
    p = testsupport::sampleRuleProfile();
    p.Server = server.host();
    p.Port = QString::number(server.port());
    p.Id = kUser;
    p.PassWd = kPassword;
    settings.global.IntCheck = 1;       // run once
    settings.global.MailSoftSelect = 2; // and start nothing afterwards
    if (!SetDataWrite(QDir(dir.path()).filePath(QStringLiteral("PostSweep.ini")), settings))
        return std::nullopt;

    platform::QtEventLoop loop;
    platform::QtTcpClient socket;
    QEventLoop events;
    BenchShell* shell = nullptr;
    PostSweepApp app(loop, socket, dir.path(),
                     [&](Form2& monitor) {
                         auto made = std::make_unique<BenchShell>(monitor);
                         shell = made.get();
                         shell->events = &events;
                         return made;
                     },
                     {.notificationIcon = false});
    (void)app.start();
    if (!monitorTakesPart) {
        app.context().session.setMonitor(nullptr);
        app.context().rotation.setMonitor(nullptr);
    }
    bool timedOut = false;
    QTimer::singleShot(120000, &events, [&] {
        timedOut = true;
        events.quit();
    });
    // The time runs until the server has acknowledged QUIT, which commits the deletions;
    // the end of the run waits for the rotation's next half-second tick after that.
    QElapsedTimer clock;
    double ms = 0;
    bool begun = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const bool inProgress = app.context().session.sessionInProgress();
        begun = begun || inProgress;
        if (begun && !inProgress && ms == 0)
            ms = clock.nsecsElapsed() / 1e6;
    });
    poll.start(1);
    clock.start();
    app.controller().run();
    events.exec();
    if (timedOut || ms == 0 || app.context().store.MaxEraseNo != kMessages / 10)
        return std::nullopt;
    return ms;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (testsupport::DovecotServer::executable().isEmpty()) {
        std::fprintf(stderr, "Dovecot is not installed (Debian package dovecot-pop3d)\n");
        return 1;
    }
    testsupport::DovecotServer server;
    if (!server.start() || !server.addUser(kUser, kPassword)) {
        std::fprintf(stderr, "Dovecot: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QList<QByteArray> texts =
        testsupport::messageTexts(testsupport::benchmarkMailbox(kMessages));

    std::vector<double> withMonitor, without;
    for (int round = 0; round < kRounds; ++round) {
        for (const bool monitorTurn : {round % 2 == 0, round % 2 != 0}) {
            if (!testsupport::refillMailbox(server, kUser, kPassword, texts)) {
                std::fprintf(stderr, "cannot fill the mailbox\n");
                return 1;
            }
            const auto ms = programRun(server, monitorTurn);
            if (!ms) {
                std::fprintf(stderr, "the run did not end as expected\n");
                return 1;
            }
            (monitorTurn ? withMonitor : without).push_back(*ms);
        }
    }
    const double m = median(withMonitor);
    const double e = median(without);
    std::printf("Run-once over %d messages (%d deleted) through the windows, %d rounds\n",
                kMessages, kMessages / 10, kRounds);
    std::printf("monitor taking the dialogue (median) %8.1f ms\n", m);
    std::printf("engine and run control (median)      %8.1f ms\n", e);
    std::printf("ratio                                %8.2f  (target <= 1.50)\n", m / e);
    return 0;
}
