#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace widgets {

// How a dialog tells the user something went wrong; tests replace it so that no
// modal box waits for a click.
using WarnFunction = std::function<void(QWidget* parent, const QString& text)>;

// The program's one message box: modal, with the exclamation icon and an OK button;
// without a parent it stays above other windows.
void showWarning(QWidget* parent, const QString& text);

} // namespace widgets
