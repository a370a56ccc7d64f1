#pragma once

#include <QByteArray>
#include <QDialog>

class QLineEdit;
class QPushButton;

// "証明書を固定": asks for the SHA-256 fingerprint of the certificate a profile is to
// accept instead of the trusted ones, as the log prints it; OK only for a valid one.
class PinDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PinDialog(const QString& server, QWidget* parent = nullptr);

    void setText(const QString& text);
    // The 32 bytes typed, or empty while the text is not a fingerprint.
    QByteArray fingerprint() const;

private:
    void check();

    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
};
