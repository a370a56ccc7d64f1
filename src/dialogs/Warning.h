#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace dialogs {

// How a dialog tells the user something went wrong; tests replace it so that no
// modal box waits for a click.
using WarnFunction = std::function<void(QWidget* parent, const QString& text)>;

// A modal message box with the exclamation icon and an OK button.
void showWarning(QWidget* parent, const QString& text);

} // namespace dialogs
