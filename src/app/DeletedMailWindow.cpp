#include "app/DeletedMailWindow.h"

#include "app/AppIcon.h"
#include "app/control/DeletedMailList.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

DeletedMailWindow::DeletedMailWindow(DeletedMailList& list, QWidget* parent)
    : QWidget(parent, Qt::Window), m_list(list)
{
    setObjectName(QStringLiteral("DeletedMail"));
    setWindowTitle(QStringLiteral("削除したメール"));
    setWindowIcon(appIcon());
    createControls();
    createLayout();
    connectControls();
    resize(820, 360);
}

void DeletedMailWindow::createControls()
{
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("DeletedMailList"));
    m_table->setAccessibleName(QStringLiteral("削除したメールの一覧"));
    m_table->setModel(&m_list);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false); // Tab moves on to the buttons
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    const auto button = [this](const QString& caption, const QString& name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    m_open = button(QStringLiteral("メールソフトで開く"), QStringLiteral("OpenInMailProgram"));
    m_header = button(QStringLiteral("ヘッダを表示"), QStringLiteral("ShowHeader"));
    m_folder = button(QStringLiteral("フォルダを開く"), QStringLiteral("OpenFolder"));
    m_close = button(QStringLiteral("閉じる"), QStringLiteral("Close"));

    m_headerWindow = new QWidget(this, Qt::Window);
    m_headerWindow->setObjectName(QStringLiteral("DeletedMailHeader"));
    m_headerWindow->setWindowTitle(QStringLiteral("ヘッダ"));
    m_headerText = new QPlainTextEdit(m_headerWindow);
    m_headerText->setObjectName(QStringLiteral("HeaderText"));
    m_headerText->setAccessibleName(QStringLiteral("ヘッダ"));
    m_headerText->setReadOnly(true);
    m_headerText->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* headerLayout = new QVBoxLayout(m_headerWindow);
    headerLayout->addWidget(m_headerText);
    m_headerWindow->resize(640, 400);
}

void DeletedMailWindow::createLayout()
{
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_open, m_header, m_folder})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(m_close);

    auto* window = new QVBoxLayout(this);
    window->addWidget(m_table, 1);
    window->addLayout(buttons);
}

void DeletedMailWindow::connectControls()
{
    connect(m_table, &QTableView::activated, this,
            [this](const QModelIndex& index) { m_list.open(index.row()); });
    connect(m_open, &QPushButton::clicked, this, [this] { m_list.open(currentRow()); });
    connect(m_header, &QPushButton::clicked, this, &DeletedMailWindow::showHeader);
    connect(m_folder, &QPushButton::clicked, this, [this] { m_list.openFolder(); });
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void DeletedMailWindow::showList()
{
    m_list.reload();
    if (m_list.rowCount() > 0)
        m_table->selectRow(0);
    m_table->resizeColumnsToContents();
    showNormal();
    raise();
    activateWindow();
    m_table->setFocus();
}

int DeletedMailWindow::currentRow() const
{
    return m_table->currentIndex().isValid() ? m_table->currentIndex().row() : -1;
}

void DeletedMailWindow::showHeader()
{
    const std::optional<QString> header = m_list.header(currentRow());
    if (!header)
        return;
    m_headerText->setPlainText(*header);
    m_headerWindow->show();
    m_headerWindow->raise();
    m_headerWindow->activateWindow();
}
