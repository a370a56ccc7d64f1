#include "dialogs/PasswordDisplay.h"

#include <QCheckBox>
#include <QLineEdit>

void bindPasswordDisplay(QCheckBox* display, QLineEdit* password)
{
    password->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
    const auto apply = [password](int state) {
        password->setEchoMode(state == Qt::Checked ? QLineEdit::Normal : QLineEdit::Password);
        // Changing the echo mode turns input methods back on.
        password->setAttribute(Qt::WA_InputMethodEnabled, false);
        password->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData |
                                      Qt::ImhNoPredictiveText);
    };
    QObject::connect(display, &QCheckBox::stateChanged, password, apply);
    apply(display->checkState());
}
