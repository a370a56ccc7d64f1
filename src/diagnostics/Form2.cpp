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
    if (m_pendingLines > 2 * kTranscriptLines) {
        qsizetype cut = m_pending.size();
        for (int kept = 0; kept <= kTranscriptLines && cut > 0; ++kept)
            cut = m_pending.lastIndexOf(u'\n', cut - 1);
        m_pending.remove(0, cut + 1);
        m_pendingLines = int(m_pending.count(u'\n'));
    }
    if (!m_batch.isActive())
        m_batch.start();
}

void Form2::flushTranscript()
{
    m_batch.stop();
    if (m_pending.isEmpty())
        return;
    const QString text = plainLines(std::exchange(m_pending, {}));
    m_pendingLines = 0;
    QTextDocument* document = m_debugWindow->document();
    QScrollBar* scroll = m_debugWindow->verticalScrollBar();
    const int blocksBefore = document->blockCount();
    const int viewBefore = scroll->value();

    // The text box moves its own view along with the insertion; that is not the user.
    m_scrolling = true;
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    if (m_following) {
        scroll->setValue(scroll->maximum());
    } else {
        // Lines that fell off the top would otherwise shift the user's view down.
        const int dropped = blocksBefore + int(text.count(u'\n')) - document->blockCount();
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

void Form2::setStatus(const QString& text)
{
    m_label1->setText(text.trimmed());
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
