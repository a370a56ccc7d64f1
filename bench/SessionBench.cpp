// A full POP3 session over 1,000 messages (100 of them deleted by the rules) against
// Dovecot on loopback: the engine on Qt's event loop and sockets, then a minimal client
// that sends the same commands strictly in sequence with blocking waits. Prints both
// times (median of several rounds), their ratio and the peak memory of the process.

#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "pop3/CommandMonitor.h"
#include "pop3/HeaderStore.h"
#include "pop3/Pop3Session.h"
#include "settings/ActivityLog.h"
#include "support/BenchMailbox.h"
#include "support/DovecotServer.h"
#include "support/SequentialPop3Client.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kMessages = 1000;
constexpr int kRounds = 21;
const QString kUser = QStringLiteral("bench");
const QString kPassword = QStringLiteral("bench-pw");

// Wakes the waiting loop when the engine hides the monitor, which it does as a session ends.
class EndWatcher final : public CommandMonitor
{
public:
    explicit EndWatcher(std::function<void()> check) : m_check(std::move(check)) {}
    void hideMonitor() override { QTimer::singleShot(0, m_check); }

private:
    std::function<void()> m_check;
};

// One full engine session; its wall time in milliseconds, or nothing when it failed.
std::optional<double> engineSession(const testsupport::DovecotServer& server)
{
    QTemporaryDir dir;
    platform::QtEventLoop loop;
    platform::QtTcpClient socket;
    auto store = std::make_unique<HeaderStore>();
    const ActivityLog log(dir.filePath(QStringLiteral("PostSweep.log")), loop);
    Pop3Session session(loop, socket, *store, log);

    QEventLoop events;
    const auto check = [&] {
        if (!session.sessionInProgress())
            events.quit();
    };
    EndWatcher watcher(check);
    session.setMonitor(&watcher);
    QTimer fallback; // error ends do not hide the monitor
    QObject::connect(&fallback, &QTimer::timeout, check);
    fallback.start(20);
    QTimer::singleShot(120000, &events, &QEventLoop::quit);

    QElapsedTimer clock;
    clock.start();
    session.ServerConect({.server = server.host(),
                          .port = QString::number(server.port()),
                          .account = kUser,
                          .password = kPassword,
                          .rules = RuleSet::fromProfile(testsupport::sampleRuleProfile())});
    events.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    session.setMonitor(nullptr);
    if (session.sessionInProgress() || session.variables().Pop3ErrorFlag != Pop3Session::False ||
        store->MaxEraseNo != kMessages / 10)
        return std::nullopt;
    return ms;
}

std::optional<double> sequentialSession(const testsupport::DovecotServer& server)
{
    QList<int> marked;
    for (int n = 10; n <= kMessages; n += 10)
        marked.append(n);
    QElapsedTimer clock;
    clock.start();
    QString error;
    if (!testsupport::runSequentialSession(server.host(), server.port(), kUser, kPassword, marked,
                                           &error)) {
        std::fprintf(stderr, "minimal client: %s\n", qPrintable(error));
        return std::nullopt;
    }
    return clock.nsecsElapsed() / 1e6;
}

// A fresh mailbox, with Dovecot's index built by a login and STAT outside the timing.
bool refill(testsupport::DovecotServer& server, const QList<QByteArray>& texts)
{
    if (!server.setMessages(kUser, texts))
        return false;
    testsupport::SequentialPop3Client client;
    const bool ok = client.connectToServer(server.host(), server.port()) &&
                    client.login(kUser, kPassword) && client.command("STAT").has_value() &&
                    client.command("QUIT").has_value();
    return ok;
}

// 900 wanted messages left, none of the advertisements.
bool onlyWantedLeft(const testsupport::DovecotServer& server)
{
    const auto left = testsupport::listMessageIds(server.host(), server.port(), kUser, kPassword);
    return left && left->size() == kMessages - kMessages / 10 &&
           std::none_of(left->cbegin(), left->cend(), [](const QString& id) {
               return id.endsWith(QStringLiteral("0@sample.postsweep.test>"));
           });
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
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
    qint64 headerBytes = 0;
    for (const QByteArray& text : texts)
        headerBytes += text.indexOf("\n\n") + 1;
    const long before = peakKilobytes();

    std::vector<double> engine, sequential;
    for (int round = 0; round < kRounds; ++round) {
        // Alternate which goes first, so that neither always meets a warmer server.
        for (const bool engineTurn : {round % 2 == 0, round % 2 != 0}) {
            if (!refill(server, texts)) {
                std::fprintf(stderr, "cannot fill the mailbox\n");
                return 1;
            }
            const auto ms = engineTurn ? engineSession(server) : sequentialSession(server);
            if (!ms || !onlyWantedLeft(server)) {
                std::fprintf(stderr, "%s session failed or left the wrong messages\n",
                             engineTurn ? "engine" : "minimal client");
                return 1;
            }
            (engineTurn ? engine : sequential).push_back(*ms);
        }
    }

    const double e = median(engine);
    const double s = median(sequential);
    std::printf("Session over %d messages (%d deleted), mean header %lld bytes, %d rounds\n",
                kMessages, kMessages / 10, headerBytes / kMessages, kRounds);
    std::printf("engine (median)           %8.1f ms (fastest %.1f ms)\n", e,
                *std::min_element(engine.cbegin(), engine.cend()));
    std::printf("minimal client (median)   %8.1f ms (fastest %.1f ms)\n", s,
                *std::min_element(sequential.cbegin(), sequential.cend()));
    std::printf("ratio engine / minimal    %8.2f  (target <= 1.50)\n", e / s);
    std::printf("peak memory (ru_maxrss)   %8ld KiB (%ld KiB before the sessions)\n",
                peakKilobytes(), before);
    return 0;
}
