// A full POP3 session over 1,000 messages (100 of them deleted by the rules) against one
// Dovecot on loopback: a minimal client that sends each command only after the last
// reply (blocking waits), the engine on Qt's event loop and sockets with pipelining
// allowed and forbidden, and the engine over implicit TLS. Then the same through a relay
// that delays every chunk by 20 ms each way, as a real network does. Prints the median
// of each, the ratios and the peak memory of each kind of session, and what keeping a
// copy of each deleted message (RETR, written and flushed before its DELE) costs.
//
// Usage: bench_SessionBench [ROUNDS [DELAYED_ROUNDS]]   (11 and 3 by default; a
// delayed sequential session takes some 45 s, and 0 delayed rounds skips them)

#include "archive/DeletedMailArchive.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "pop3/CommandMonitor.h"
#include "pop3/HeaderStore.h"
#include "pop3/Pop3Session.h"
#include "settings/ActivityLog.h"
#include "support/BenchMailbox.h"
#include "support/DelayingProxy.h"
#include "support/DovecotServer.h"
#include "support/SequentialPop3Client.h"
#include "support/TestAuthority.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace {

constexpr int kMessages = 1000;
constexpr std::chrono::milliseconds kDelayEachWay{20};
const QString kUser = QStringLiteral("bench");
const QString kPassword = QStringLiteral("bench-pw");

// Who runs the session, and how.
enum class Kind { Minimal, Pipelined, Sequential, Tls, Kept };

const char* nameOf(Kind kind)
{
    switch (kind) {
    case Kind::Minimal:
        return "minimal sequential client";
    case Kind::Pipelined:
        return "engine, pipelining allowed";
    case Kind::Sequential:
        return "engine, one command at a time";
    case Kind::Tls:
        return "engine over implicit TLS";
    case Kind::Kept:
        return "engine, pipelined, copies kept";
    }
    return "";
}

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
std::optional<double> engineSession(quint16 port, ConnectionSecurity security, bool pipelining,
                                    bool keep = false)
{
    QTemporaryDir dir;
    platform::QtEventLoop loop;
    archive::DeletedMailArchive kept(dir.path(), loop);
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
    QTimer::singleShot(300000, &events, &QEventLoop::quit);

    QElapsedTimer clock;
    clock.start();
    session.ServerConect({.server = QStringLiteral("127.0.0.1"),
                          .port = QString::number(port),
                          .account = kUser,
                          .password = kPassword,
                          .rules = RuleSet::fromProfile(testsupport::sampleRuleProfile()),
                          .security = security,
                          .keeper = keep ? &kept : nullptr,
                          .pipelining = pipelining});
    events.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    session.setMonitor(nullptr);
    if (session.sessionInProgress() || session.variables().Pop3ErrorFlag != Pop3Session::False ||
        store->MaxEraseNo != kMessages / 10) {
        std::fprintf(stderr, "engine: the session failed (error flag %d, %d of %d marked)\n",
                     session.variables().Pop3ErrorFlag, store->MaxEraseNo, kMessages / 10);
        return std::nullopt;
    }
    if (keep && kept.entries().size() != kMessages / 10) {
        std::fprintf(stderr, "engine: %lld copies kept, not %d\n",
                     static_cast<long long>(kept.entries().size()), kMessages / 10);
        return std::nullopt;
    }
    return ms;
}

std::optional<double> minimalSession(quint16 port)
{
    QList<int> marked;
    for (int n = 10; n <= kMessages; n += 10)
        marked.append(n);
    QElapsedTimer clock;
    clock.start();
    QString error;
    if (!testsupport::runSequentialSession(QStringLiteral("127.0.0.1"), port, kUser, kPassword,
                                           marked, &error)) {
        std::fprintf(stderr, "minimal client: %s\n", qPrintable(error));
        return std::nullopt;
    }
    return clock.nsecsElapsed() / 1e6;
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

// The process's peak resident memory (VmHWM) in KiB, and its reset where the kernel allows.
long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}
bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

struct Figures
{
    std::vector<double> ms;
    long peakKiB = 0;
    double median() const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.at(sorted.size() / 2);
    }
};

// rounds of each kind, in turn, the first of each round moving on, so that none always
// meets a warmer server; nothing when a session failed or left the wrong messages.
std::optional<std::map<Kind, Figures>> measure(testsupport::DovecotServer& server,
                                               const QList<QByteArray>& texts,
                                               const std::vector<Kind>& kinds, int rounds,
                                               quint16 plainPort, quint16 tlsPort)
{
    std::map<Kind, Figures> figures;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            const Kind kind = kinds.at((round + i) % kinds.size());
            if (!testsupport::refillMailbox(server, kUser, kPassword, texts)) {
                std::fprintf(stderr, "cannot fill the mailbox\n");
                return std::nullopt;
            }
            const bool peakReset = resetPeak();
            std::optional<double> ms;
            switch (kind) {
            case Kind::Minimal:
                ms = minimalSession(plainPort);
                break;
            case Kind::Pipelined:
            case Kind::Sequential:
                ms = engineSession(plainPort, ConnectionSecurity::None, kind == Kind::Pipelined);
                break;
            case Kind::Tls:
                ms = engineSession(tlsPort, ConnectionSecurity::Tls, true);
                break;
            case Kind::Kept:
                ms = engineSession(plainPort, ConnectionSecurity::None, true, true);
                break;
            }
            if (!ms || !onlyWantedLeft(server)) {
                std::fprintf(stderr, "%s: the session failed or left the wrong messages\n",
                             nameOf(kind));
                return std::nullopt;
            }
            Figures& f = figures[kind];
            f.ms.push_back(*ms);
            f.peakKiB = std::max(f.peakKiB, peakReset ? peakKilobytes() : -1L);
        }
    }
    return figures;
}

void print(const std::map<Kind, Figures>& figures)
{
    for (const auto& [kind, f] : figures)
        std::printf("  %-32s %9.1f ms median (fastest %.1f ms), peak %ld KiB\n", nameOf(kind),
                    f.median(), *std::min_element(f.ms.cbegin(), f.ms.cend()), f.peakKiB);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 11;
    const int delayedRounds = argc > 2 ? std::max(0, atoi(argv[2])) : 3;
    if (testsupport::DovecotServer::executable().isEmpty()) {
        std::fprintf(stderr, "Dovecot is not installed (Debian package dovecot-pop3d)\n");
        return 1;
    }
    testsupport::TestAuthority authority;
    if (!authority.create()) {
        std::fprintf(stderr, "%s\n", qPrintable(authority.errorString()));
        return 1;
    }
    const testsupport::ScopedTrust trust(authority.authorityFile());
    testsupport::DovecotServer server;
    server.useTls(authority.certificateFile(), authority.keyFile());
    if (!server.start() || !server.addUser(kUser, kPassword)) {
        std::fprintf(stderr, "Dovecot: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QList<QByteArray> texts =
        testsupport::messageTexts(testsupport::benchmarkMailbox(kMessages));
    qint64 headerBytes = 0;
    for (const QByteArray& text : texts)
        headerBytes += text.indexOf("\n\n") + 1;
    std::printf("Session over %d messages (%d deleted), mean header %lld bytes\n", kMessages,
                kMessages / 10, headerBytes / kMessages);
    if (!resetPeak())
        std::printf("(the peak cannot be reset here: each figure is the process's peak so far)\n");

    std::printf("Loopback, %d rounds:\n", rounds);
    const auto direct = measure(
        server, texts, {Kind::Minimal, Kind::Pipelined, Kind::Sequential, Kind::Tls, Kind::Kept},
        rounds, server.port(), server.tlsPort());
    if (!direct)
        return 1;
    print(*direct);
    std::printf("  ratio pipelined / minimal client  %6.2f  (target <= 0.50)\n",
                direct->at(Kind::Pipelined).median() / direct->at(Kind::Minimal).median());
    std::printf("  copies kept / none (pipelined)     %6.2f\n",
                direct->at(Kind::Kept).median() / direct->at(Kind::Pipelined).median());
    std::fflush(stdout);

    if (delayedRounds == 0)
        return 0;
    const benchsupport::DelayingProxy proxy(server.port(), kDelayEachWay);
    if (proxy.port() == 0) {
        std::fprintf(stderr, "the delaying relay cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("Through a relay delaying each chunk %lld ms each way, %d rounds:\n",
                static_cast<long long>(kDelayEachWay.count()), delayedRounds);
    const auto delayed = measure(server, texts, {Kind::Minimal, Kind::Pipelined, Kind::Sequential},
                                 delayedRounds, proxy.port(), 0);
    if (!delayed)
        return 1;
    print(*delayed);
    std::printf("  speed-up pipelined over one at a time  %6.1fx  (target >= 10)\n",
                delayed->at(Kind::Sequential).median() / delayed->at(Kind::Pipelined).median());
    return 0;
}
