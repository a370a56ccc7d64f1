// A week of periodic runs every ten minutes, resident, on virtual time against the
// scripted server: the monitor's transcript and the header store stay bounded.
// Prints the figures of each day.

#include "MainWindowHarness.h"

#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QTest>

#include <cstdio>

namespace {

// Twenty messages, every tenth an unsolicited advertisement the rules delete.
ScriptedMailbox freshMailbox()
{
    ScriptedMailbox box;
    for (int n = 1; n <= 20; ++n)
        box.headers.push_back(
            n % 10 == 0 ? QByteArray("Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoGyhC?=\r\n"
                                     "From: ad@example.com\r\nTo: taro@example.jp\r\n")
                        : QStringLiteral("Subject: report %1\r\nFrom: boss@example.jp\r\n"
                                         "To: taro@example.jp\r\nMessage-ID: <%1@example.jp>\r\n")
                              .arg(n)
                              .toLatin1());
    return box;
}

// Resident memory of this process in kilobytes (Linux).
long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

qsizetype storeCharacters(const HeaderStore& store)
{
    qsizetype total = 0;
    for (int n = 1; n <= HeaderStore::kSlots; ++n)
        total += store.HeaderText(n).size() + store.MailSubject(n).size() +
                 store.MailFrom(n).size() + store.MailTo(n).size() + store.MailCc(n).size();
    return total;
}

} // namespace

class SevenDaysResident : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aWeekOfTenMinuteRunsStaysBounded();
};

void SevenDaysResident::aWeekOfTenMinuteRunsStaysBounded()
{
    QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect=false"));
    VirtualProgram p;
    QCOMPARE(p.startWithOneServer(freshMailbox()), LoadOutcome::Complete);
    p.click(QStringLiteral("Command3"));
    auto& [loop, socket, h] = p;

    const auto* transcript = h.monitorControl<QPlainTextEdit>(QStringLiteral("DebugWindow"));
    const HeaderStore& store = h.app->context().store;
    constexpr int kRunsPerDay = 6 * 24;
    long rssAfterFirstDay = 0;
    std::printf("day  runs  transcript-lines  transcript-chars  store-chars  log-KB  rss-KB\n");
    for (int day = 1; day <= 7; ++day) {
        for (int run = 0; run < kRunsPerDay; ++run) {
            loop.advance(10min); // the next run starts one tick after this
            socket.setMailbox(freshMailbox());
            QCoreApplication::sendPostedEvents(); // what Qt's own event loop would do meanwhile
        }
        const long rss = residentKilobytes();
        if (day == 1)
            rssAfterFirstDay = rss;
        std::printf("%3d  %4d  %16d  %16d  %11lld  %6lld  %6ld\n", day, socket.connections(),
                    transcript->document()->blockCount(), transcript->document()->characterCount(),
                    static_cast<long long>(storeCharacters(store)),
                    static_cast<long long>(QFileInfo(h.app->context().log.path()).size() / 1024),
                    rss);
        QVERIFY(transcript->document()->blockCount() <= 5001);
        QVERIFY(storeCharacters(store) < 20 * 200);
    }
    std::printf("resident memory grew %ld KB from day 1 to day 7 (the scripted server keeps "
                "every line it exchanged, %lld lines)\n",
                residentKilobytes() - rssAfterFirstDay,
                static_cast<long long>(socket.transcript().size()));
    QVERIFY2(residentKilobytes() - rssAfterFirstDay < 16 * 1024,
             "about 1 MB a day is the server's");
    QCOMPARE(socket.connections(), 7 * kRunsPerDay);
    QCOMPARE(socket.deleted().size(), std::size_t{2 * 7 * kRunsPerDay});
    QVERIFY(h.form1().windowTitle() == QStringLiteral("PostSweep 実行中"));
}

QTEST_MAIN(SevenDaysResident)
#include "SevenDaysResident.moc"
