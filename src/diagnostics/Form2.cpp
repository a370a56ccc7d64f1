#include "diagnostics/Form2.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// The engine's texts end their lines in CR LF; the text box wants LF alone.
QString plainLines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

} // namespace

Form2::Form2(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("PostSweep 実行中のコマンド"));
    createControls();
    createLayout();
    resize(420, 260);
    move(0, 0);
    m_batch.setSingleShot(true);
    m_batch.setInterval(kBatchMilliseconds);
    connect(&m_batch, &QTimer::timeout, this, &Form2::flushTranscript);
}

void Form2::createControls()
{
    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setTextFormat(Qt::PlainText);
    // A long status line is cut, never widens the window.
    m_label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_debugWindow = new QPlainTextEdit(this);
    m_debugWindow->setObjectName(QStringLiteral("DebugWindow"));
    m_debugWindow->setReadOnly(true);
    // One block more for the empty line after the last line end. (A maximum also
    // turns the undo history off, which would otherwise keep every line ever shown.)
    m_debugWindow->setMaximumBlockCount(kTranscriptLines + 1);
    m_debugWindow->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_debugWindow->setAccessibleName(QStringLiteral("実行中のコマンド"));
    m_label1->setBuddy(m_debugWindow);

    // The range grows when text arrives, and again when a long line brings the
    // horizontal bar; the user's own moves decide whether the view follows.
    QScrollBar* scroll = m_debugWindow->verticalScrollBar();
    connect(scroll, &QScrollBar::rangeChanged, this, [this] {
        if (m_following)
            followTranscript();
    });
    connect(scroll, &QScrollBar::valueChanged, this, [this, scroll](int value) {
        if (!m_scrolling)
            m_following = value >= scroll->maximum();
    });

    m_command1 = new QPushButton(QStringLiteral("キャンセル"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    connect(m_command1, &QPushButton::clicked, this, &Form2::cancelClicked);
}

void Form2::createLayout()
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label1);
    layout->addWidget(m_debugWindow, 1);
    layout->addWidget(m_command1, 0, Qt::AlignRight);
}

void Form2::appendTranscript(const QString& text)
{
    m_pending += text;
    m_pendingLines += int(text.count(u'\n'));
    // Only the last lines can ever be shown: a long batch keeps just those.
    if (m_pendingLines > 2 * kTranscriptLines)
        m_pendingLines = keepLastLines(m_pending, kTranscriptLines);
    scheduleFlush();
}

// Only a window in view is worth waiting for; a hidden one takes the text at once.
void Form2::scheduleFlush()
{
    if (!isVisible())
        flushTranscript();
    else if (!m_batch.isActive())
        m_batch.start();
}

// Cuts the text down to its last complete lines (and an unfinished one after them);
// returns how many line ends are left.
int Form2::keepLastLines(QString& text, int lines)
{
    qsizetype cut = text.size();
    int kept = 0;
    for (; kept <= lines && cut > 0; ++kept)
        cut = text.lastIndexOf(u'\n', cut - 1);
    if (cut >= 0)
        text.remove(0, cut + 1);
    return int(text.count(u'\n'));
}

void Form2::flushTranscript()
{
    m_batch.stop();
    if (m_pendingStatus) {
        m_label1->setText(*m_pendingStatus);
        m_pendingStatus.reset();
    }
    if (m_pending.isEmpty())
        return;
    QString text = plainLines(std::exchange(m_pending, {}));
    const int added = int(text.count(u'\n'));
    m_pendingLines = 0;
    QTextDocument* document = m_debugWindow->document();
    QScrollBar* scroll = m_debugWindow->verticalScrollBar();
    const int blocksBefore = document->blockCount();
    const int viewBefore = scroll->value();

    // The text box moves its own view along with the insertion; that is not the user.
    m_scrolling = true;
    if (blocksBefore + added <= kTranscriptLines + 1 || added < kTranscriptLines / 4) {
        QTextCursor end(document);
        end.movePosition(QTextCursor::End);
        end.insertText(text);
    } else {
        // Dropping thousands of lines from the top one by one costs far more than
        // laying out the last 5,000 lines afresh.
        if (added < kTranscriptLines)
            text.prepend(m_debugWindow->toPlainText());
        keepLastLines(text, kTranscriptLines);
        m_debugWindow->setPlainText(text);
    }
    if (m_following) {
        scroll->setValue(scroll->maximum());
    } else {
        // Lines that fell off the top would otherwise shift the user's view down.
        const int dropped = blocksBefore + added - document->blockCount();
        scroll->setValue(std::max(0, viewBefore - dropped));
    }
    m_scrolling = false;
}

void Form2::followTranscript()
{
    QScrollBar* scroll = m_debugWindow->verticalScrollBar();
    m_scrolling = true;
    scroll->setValue(scroll->maximum());
    m_scrolling = false;
}

// The status goes with the next batch too: a run sends thousands of commands.
void Form2::setStatus(const QString& text)
{
    m_pendingStatus = text.trimmed();
    scheduleFlush();
}

void Form2::showMonitor()
{
    flushTranscript();
    show();
    raise();
}

void Form2::hideMonitor()
{
    flushTranscript();
    hide();
}
