#pragma once

#include <QCheckBox>

// Check-box values as the settings hold them: 0 clear, 1 set, 2 grey.

inline qint16 checkBoxValue(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

// Only a grey value makes the box three-state; any other nonzero value sets it.
inline void showCheckBoxValue(QCheckBox* box, qint16 value)
{
    box->setTristate(value == 2);
    box->setCheckState(value == 0   ? Qt::Unchecked
                       : value == 2 ? Qt::PartiallyChecked
                                    : Qt::Checked);
}
