#pragma once

#include "pop3/CommandMonitor.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The command monitor shown during a run: topmost at the top-left corner of the
// screen, the command in progress in Label1, the dialogue's transcript in
// DebugWindow (its last 5,000 lines, so a resident program stays small) and
// "キャンセル" (Command1), which aborts the run.
class Form2 : public QWidget, public CommandMonitor
{
    Q_OBJECT
public:
    static constexpr int kTranscriptLines = 5000;

    explicit Form2(QWidget* parent = nullptr);

    void appendTranscript(const QString& text) override;
    void setStatus(const QString& text) override;
    void showMonitor() override;
    void hideMonitor() override;

Q_SIGNALS:
    void cancelClicked();

private:
    void createControls();
    void createLayout();

    QLabel* m_label1 = nullptr;
    QPlainTextEdit* m_debugWindow = nullptr;
    QPushButton* m_command1 = nullptr;
};
