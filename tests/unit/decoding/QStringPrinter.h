#pragma once

#include <QString>

#include <ostream>

// Failure messages show texts as UTF-8, with ESC made visible.
inline void PrintTo(const QString& text, std::ostream* os)
{
    QString shown = text;
    shown.replace(QChar(0x1B), QStringLiteral("<ESC>"));
    *os << '"' << shown.toStdString() << '"';
}
