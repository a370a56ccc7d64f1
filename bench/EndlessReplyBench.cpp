// The engine on Qt's event loop and sockets against a hostile server on loopback
// (bench/endless-reply.sh starts it): one session, then the activity log, whether
// the session ended as a server error and the reply memory still held. The script
// measures the peak resident memory of this process with /usr/bin/time -v.
// Usage: bench_EndlessReplyBench PORT

#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtTcpClient.h"
#include "pop3/HeaderStore.h"
#include "pop3/Pop3Session.h"
#include "settings/ActivityLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const quint16 port = argc > 1 ? QByteArray(argv[1]).toUShort() : 0;
    if (port == 0) {
        std::fprintf(stderr, "usage: %s PORT\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    platform::QtEventLoop loop;
    platform::QtTcpClient socket;
    auto store = std::make_unique<HeaderStore>();
    const ActivityLog log(dir.filePath(QStringLiteral("PostSweep.log")), loop);
    Pop3Session session(loop, socket, *store, log);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!session.sessionInProgress())
            app.quit();
    });
    poll.start(20);
    QTimer::singleShot(120000, &app, &QCoreApplication::quit);
    session.ServerConect({.server = QStringLiteral("127.0.0.1"),
                          .port = QString::number(port),
                          .account = QStringLiteral("bench"),
                          .password = QStringLiteral("bench-pw")});
    app.exec();

    QFile file(log.path());
    if (file.open(QIODevice::ReadOnly))
        std::fwrite(file.readAll().constData(), 1, static_cast<size_t>(file.size()), stdout);
    const bool ended = !session.sessionInProgress();
    const bool serverError = session.variables().Pop3ErrorFlag == Pop3Session::True;
    std::printf("ended: %s, server error: %s, reply bytes held: %lld\n", ended ? "yes" : "no",
                serverError ? "yes" : "no", static_cast<long long>(session.heldReplyBytes()));
    return ended && serverError && session.heldReplyBytes() == 0 ? 0 : 1;
}
