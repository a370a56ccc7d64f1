#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <iosfwd>

// A fresh directory for one test: the program's directory beside its files.
struct TempDir
{
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    QString file(const QString& name) const { return dir.filePath(name); }
};

QByteArray readFile(const QString& path);                     // empty when it cannot be read
bool writeFile(const QString& path, const QByteArray& bytes); // false unless written whole
// Runs act while no file may grow beyond bytes (a full disk, to the writer).
void withFileSizeLimit(long bytes, const std::function<void()>& act);
int fileMode(const QString& path); // the permission bits (0600), or -1 without a file
// The activity log's lines (code page 932, CR LF), without the last line end.
QStringList logLines(const QString& path);

// Failure messages show texts as UTF-8, with ESC made visible.
void PrintTo(const QString& text, std::ostream* os);
