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
}

void Form2::createControls()
{
    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setTextFormat(Qt::PlainText);

    m_debugWindow = new QPlainTextEdit(this);
    m_debugWindow->setObjectName(QStringLiteral("DebugWindow"));
    m_debugWindow->setReadOnly(true);
    // One block more for the empty line after the last line end. (A maximum also
    // turns the undo history off, which would otherwise keep every line ever shown.)
    m_debugWindow->setMaximumBlockCount(kTranscriptLines + 1);
    m_debugWindow->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_debugWindow->setAccessibleName(QStringLiteral("実行中のコマンド"));
    m_label1->setBuddy(m_debugWindow);

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

// The view follows the end of the transcript unless the user has scrolled away.
void Form2::appendTranscript(const QString& text)
{
    const QScrollBar* scroll = m_debugWindow->verticalScrollBar();
    const bool following = scroll->value() == scroll->maximum();
    QTextCursor end(m_debugWindow->document());
    end.movePosition(QTextCursor::End);
    end.insertText(plainLines(text));
    if (following)
        m_debugWindow->verticalScrollBar()->setValue(scroll->maximum());
}

void Form2::setStatus(const QString& text)
{
    m_label1->setText(text.trimmed());
}

void Form2::showMonitor()
{
    show();
    raise();
}

void Form2::hideMonitor()
{
    hide();
}
