#include "diagnostics/Form5.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

Form5::Form5(const HeaderStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), m_viewer(store)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Form5"));
    createControls();
}

void Form5::createControls()
{
    auto* grid = new QGridLayout(this);
    const auto addLine = [&](int row, const QString& name, const QString& caption) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        auto* label = new QLabel(caption, this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        return edit;
    };
    const auto addButton = [&](QHBoxLayout* row, const QString& name, const QString& caption) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        row->addWidget(button);
        return button;
    };

    auto* top = new QHBoxLayout;
    m_number = new QLineEdit(QStringLiteral("1"), this);
    m_number->setObjectName(QStringLiteral("Text2"));
    m_number->setAccessibleName(QStringLiteral("メッセージ番号"));
    m_number->setMaximumWidth(m_number->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                              16);
    top->addWidget(m_number);
    auto* show = addButton(top, QStringLiteral("Command1"), QStringLiteral("表示"));
    auto* up = addButton(top, QStringLiteral("Command4"), QStringLiteral("UP"));
    auto* down = addButton(top, QStringLiteral("Command5"), QStringLiteral("DOWN"));
    top->addStretch();
    auto* subject = addButton(top, QStringLiteral("Command2"), QStringLiteral("subject"));
    auto* from = addButton(top, QStringLiteral("Command3"), QStringLiteral("From"));
    grid->addLayout(top, 0, 0, 1, 2);

    m_header = new QPlainTextEdit(this);
    m_header->setObjectName(QStringLiteral("Text1"));
    m_header->setAccessibleName(QStringLiteral("ヘッダ"));
    m_header->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_header->setTabChangesFocus(true);
    grid->addWidget(m_header, 1, 0, 1, 2);
    m_subject = addLine(2, QStringLiteral("Text3"), QStringLiteral("Subject"));
    m_from = addLine(3, QStringLiteral("Text4"), QStringLiteral("From"));
    m_to = addLine(4, QStringLiteral("Text5"), QStringLiteral("To"));
    m_cc = addLine(5, QStringLiteral("Text6"), QStringLiteral("Cc"));
    grid->setRowStretch(1, 1);
    resize(640, 480);

    connect(show, &QPushButton::clicked, this,
            [this] { showNumber(m_viewer.show(m_number->text())); });
    connect(up, &QPushButton::clicked, this, [this] { showNumber(m_viewer.up(m_number->text())); });
    connect(down, &QPushButton::clicked, this,
            [this] { showNumber(m_viewer.down(m_number->text())); });
    connect(subject, &QPushButton::clicked, this,
            [this] { m_subject->setText(HeaderViewer::subjectOf(m_header->toPlainText())); });
    connect(from, &QPushButton::clicked, this,
            [this] { m_from->setText(HeaderViewer::fromOf(m_header->toPlainText())); });
}

void Form5::showNumber(std::optional<int> number)
{
    if (!number)
        return;
    m_number->setText(QString::number(*number));
    Headerdebug();
}

void Form5::Headerdebug()
{
    const HeaderViewer::Fields fields = m_viewer.Headerdebug();
    m_header->setPlainText(fields.header);
    m_subject->setText(fields.subject);
    m_from->setText(fields.from);
    m_to->setText(fields.to);
    m_cc->setText(fields.cc);
}

void Form5::refreshFromEngine(const QString& headerText, const QString& subject,
                              const QString& from, const QString& to)
{
    m_header->setPlainText(headerText);
    m_subject->setText(subject);
    m_from->setText(from);
    m_to->setText(to);
}
