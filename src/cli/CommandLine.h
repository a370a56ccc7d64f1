#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program's options. Without any argument that starts with "--" (or "-h") the
// desktop program starts; Qt's own single-dash options stay the desktop's.
namespace cli {

enum class Command { Run, Check, Preview, Help, Version };

struct Options
{
    Command command = Command::Help;
    QString settingsDirectory; // empty: the program's own folder
    bool verbose = false;
};

// True when the arguments (argv[0] excluded) ask for the command line.
bool wantsCommandLine(const QStringList& arguments);

// The options, or nothing when they cannot be understood (the caller shows usage()).
// Exactly one command; --settings needs a folder.
std::optional<Options> parse(const QStringList& arguments);

QString usage();

} // namespace cli
