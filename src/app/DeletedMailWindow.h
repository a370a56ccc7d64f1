#pragma once

#include <QWidget>

class DeletedMailList;
class QPlainTextEdit;
class QPushButton;
class QTableView;

// The window "削除したメール": the kept copies, newest first, and the buttons that open
// one in the mail program, show its header or open the folder. It binds to the list
// and forwards clicks.
class DeletedMailWindow : public QWidget
{
    Q_OBJECT
public:
    explicit DeletedMailWindow(DeletedMailList& list, QWidget* parent = nullptr);

    // Reads the index again and comes to the front.
    void showList();

private:
    void createControls();
    void createLayout();
    void connectControls();
    int currentRow() const;
    void showHeader();

    DeletedMailList& m_list;
    QTableView* m_table = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_header = nullptr;
    QPushButton* m_folder = nullptr;
    QPushButton* m_close = nullptr;
    QWidget* m_headerWindow = nullptr;
    QPlainTextEdit* m_headerText = nullptr;
};
