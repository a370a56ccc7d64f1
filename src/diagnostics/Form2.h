#pragma once

#include "pop3/CommandMonitor.h"

#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The command monitor shown during a run: topmost at the top-left corner of the
// screen, the command in progress in Label1, the dialogue's transcript in
// DebugWindow (its last 5,000 lines, so a resident program stays small) and
// "キャンセル" (Command1), which aborts the run.
//
// While shown, Label1 and the transcript take text in batches, at most one update
// every 100 ms; the transcript keeps its newest line in view unless the user has
// scrolled away from the end.
class Form2 : public QWidget, public CommandMonitor
{
    Q_OBJECT
public:
    static constexpr int kTranscriptLines = 5000;
    static constexpr int kBatchMilliseconds = 100;

    explicit Form2(QWidget* parent = nullptr);

    void appendTranscript(const QString& text) override;
    void setStatus(const QString& text) override;
    void showMonitor() override;
    void hideMonitor() override;

    // Puts the text and status waiting for the next batch into the window now.
    void flushTranscript();

Q_SIGNALS:
    void cancelClicked();

private:
    void createControls();
    void createLayout();
    void followTranscript();
    void scheduleFlush();
    static int keepLastLines(QString& text, int lines);

    QLabel* m_label1 = nullptr;
    QPlainTextEdit* m_debugWindow = nullptr;
    QPushButton* m_command1 = nullptr;
    QTimer m_batch;
    QString m_pending;
    std::optional<QString> m_pendingStatus;
    int m_pendingLines = 0;
    bool m_following = true;
    bool m_scrolling = false; // the view is being moved by this class, not the user
};
