#pragma once

#include <QTemporaryDir>

// A fresh directory for one test: the program's directory beside its files.
struct TempDir
{
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    QString file(const QString& name) const { return dir.filePath(name); }
};
