#pragma once

#include <QDialog>

// "サーバ確認": shown while the single-server dialog checks a login.
class Form4 : public QDialog
{
    Q_OBJECT
public:
    explicit Form4(QWidget* parent = nullptr);

    // Closing through the title bar or with Esc acts like キャンセル.
    void reject() override;

Q_SIGNALS:
    void cancelPressed();
};
