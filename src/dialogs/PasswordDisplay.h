#pragma once

class QCheckBox;
class QLineEdit;

// A password box masked with "*" and input methods off, shown in clear while its
// "パスワード表示" check box is set.
void bindPasswordDisplay(QCheckBox* display, QLineEdit* password);
