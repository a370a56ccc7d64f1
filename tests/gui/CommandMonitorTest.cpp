// The command monitor's transcript on the offscreen platform: it follows the dialogue
// unless the user scrolled up, and takes the text in batches, losing none of it.

#include "diagnostics/Form2.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

class CommandMonitorTest : public QObject
{
    Q_OBJECT

    Form2* monitor = nullptr;
    QPlainTextEdit* transcript = nullptr;
    QScrollBar* scroll = nullptr;
    // Every third line wide enough to bring the horizontal scroll bar.
    void append(int from, int to)
    {
        for (int n = from; n <= to; ++n)
            monitor->appendTranscript(
                u"+OK line %1%2\r\n"_qs.arg(n).arg(n % 3 == 0 ? QString(300, u'x') : QString()));
    }
    // The last non-empty line of the transcript lies inside the visible part.
    bool newestLineInView() const
    {
        const QPoint bottom(1, transcript->viewport()->height() - 2);
        return transcript->cursorForPosition(bottom).blockNumber() >=
               transcript->document()->blockCount() - 2;
    }

private Q_SLOTS:
    void init()
    {
        monitor = new Form2;
        transcript = monitor->findChild<QPlainTextEdit*>(QStringLiteral("DebugWindow"));
        scroll = transcript->verticalScrollBar();
        monitor->showMonitor();
        QVERIFY(QTest::qWaitForWindowExposed(monitor));
    }
    void cleanup() { delete monitor; }
    void theNewestLineStaysInViewUnlessTheUserScrolledUp()
    {
        append(1, 200);
        QTRY_VERIFY(transcript->horizontalScrollBar()->isVisible());
        QVERIFY(scroll->maximum() > 0);
        QVERIFY(newestLineInView());
        // The next run's lines arrive while the window is hidden between runs.
        monitor->hideMonitor();
        append(201, 260);
        monitor->showMonitor();
        QTRY_VERIFY(newestLineInView());
        QVERIFY(transcript->toPlainText().endsWith(u"+OK line 260\n"_qs));
        scroll->triggerAction(QAbstractSlider::SliderToMinimum);
        append(261, 300);
        monitor->flushTranscript();
        QCOMPARE(scroll->value(), 0);
        scroll->triggerAction(QAbstractSlider::SliderToMaximum);
        append(301, 400);
        QTRY_VERIFY(transcript->toPlainText().endsWith(u"+OK line 400\n"_qs));
        QVERIFY(newestLineInView());
    }
    void textArrivesInBatchesAndKeepsTheLast5000LinesExactly()
    {
        QSignalSpy updates(transcript->document(), &QTextDocument::contentsChanged);
        for (int n = 1; n <= 6000; ++n)
            monitor->appendTranscript(QStringLiteral("+OK line %1\r\n").arg(n));
        QCOMPARE(updates.count(), 0);
        QTRY_VERIFY(!transcript->document()->isEmpty());
        QCOMPARE(updates.count(), 1);
        QStringList lines = transcript->toPlainText().split(u'\n');
        QCOMPARE(lines.takeLast(), QString());
        QCOMPARE(lines.size(), Form2::kTranscriptLines);
        QCOMPARE(lines.first(), QStringLiteral("+OK line 1001"));
        QCOMPARE(lines.last(), QStringLiteral("+OK line 6000"));
        QVERIFY2(!transcript->document()->isUndoRedoEnabled(), "no history of every line shown");
    }
};

QTEST_MAIN(CommandMonitorTest)
#include "CommandMonitorTest.moc"
