#pragma once

#include "diagnostics/control/HeaderViewer.h"
#include "pop3/CommandMonitor.h"

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class HeaderStore;

// The header viewer: the raw header and the decoded Subject, From, To and Cc of one
// stored message; steps through the messages, and re-decodes Subject or From from the
// raw text as edited. The engine refreshes it with slot 1 on every completed header.
class Form5 : public QWidget, public HeaderViewerSink
{
    Q_OBJECT
public:
    explicit Form5(const HeaderStore& store, QWidget* parent = nullptr);

    // Shows the stored fields of the viewer's own message number.
    void Headerdebug();
    const HeaderViewer& viewer() const { return m_viewer; }

    void refreshFromEngine(const QString& headerText, const QString& subject, const QString& from,
                           const QString& to) override;

private:
    void createControls();
    void showNumber(std::optional<int> number);

    HeaderViewer m_viewer;
    QLineEdit* m_number = nullptr;      // Text2
    QPlainTextEdit* m_header = nullptr; // Text1
    QLineEdit* m_subject = nullptr;     // Text3
    QLineEdit* m_from = nullptr;        // Text4
    QLineEdit* m_to = nullptr;          // Text5
    QLineEdit* m_cc = nullptr;          // Text6
};
