#pragma once

#include <QByteArray>

#include <vector>

// The sizes a LIST reply ("+OK", one "number size" a line, ".") gives, by message
// number 1..maxNumber; -1 where it gives none or its line has another form.
std::vector<qint64> listedSizes(const QByteArray& reply, int maxNumber);
