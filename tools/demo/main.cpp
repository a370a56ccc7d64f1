// Prepares the first-run demo: a Dovecot configuration and mailbox in a folder of
// its own on a free loopback port, and a settings file whose profile 1 points at it.
// Usage: postsweep-demo DEMO_DIR PROGRAM_DIR   (prints the port)

#include "DemoMailbox.h"
#include "DovecotConfig.h"
#include "settings/AppFiles.h"
#include "settings/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr char kDemoMarker[] = "PostSweep.demo";
constexpr char kDemoHost[] = "127.0.0.1";

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

bool writeMailbox(const QString& dir)
{
    QDir(dir + "/mail").removeRecursively();
    QDir(dir + "/run").removeRecursively();
    const QString maildir = dir + "/mail/" + demo::kUser;
    for (const char* sub : {"cur", "new", "tmp"})
        QDir().mkpath(maildir + "/" + sub);
    QDir().mkpath(dir + "/run");
    QDir().mkpath(dir + "/state");
    const auto messages = demo::demoMessages();
    for (int i = 0; i < messages.size(); ++i) {
        const QString name = QStringLiteral("%1.M%2P1.demo:2,").arg(1767571200 + i).arg(i + 1);
        if (!writeFile(maildir + "/cur/" + name, messages[i].bytes))
            return false;
    }
    QDir().mkpath(dir + "/passwd.d");
    return writeFile(dir + "/passwd.d/" + demo::kUser,
                     dovecot::passwordLine(demo::kUser, demo::kPassword));
}

// Writes the demo settings where there are none, or moves the demo profile to the new
// port; a settings file the user made (no demo marker) is never touched.
bool prepareSettings(const QString& programDir, quint16 port)
{
    const QString settingsPath =
        appfiles::beside(programDir, QString::fromUtf16(appfiles::kSettingsFile));
    const QString markerPath = appfiles::beside(programDir, kDemoMarker);
    if (!QFile::exists(settingsPath)) {
        if (!SetDataWrite(settingsPath, demo::settings(kDemoHost, port)))
            return false;
        return writeFile(markerPath,
                         "The settings file beside this marker was written for the demo.\n");
    }
    if (!QFile::exists(markerPath))
        return false;
    SettingsModel model;
    if (LoadSettings(settingsPath, model) == LoadOutcome::PathA)
        return false;
    ServerProfile& p = model.profile(1);
    if (p.Server != kDemoHost || p.Id != demo::kUser)
        return false;
    p.Port = QString::number(port);
    return SetDataWrite(settingsPath, model).ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: postsweep-demo DEMO_DIR PROGRAM_DIR\n");
        return 2;
    }
    const QString demoDir = QDir(args[1]).absolutePath();
    const QString programDir = QDir(args[2]).absolutePath();
    // Only a first start (no settings file) or a demo set up earlier runs the demo.
    const bool firstStart =
        !QFile::exists(appfiles::beside(programDir, QString::fromUtf16(appfiles::kSettingsFile)));
    if (!firstStart && !QFile::exists(appfiles::beside(programDir, kDemoMarker)))
        return 1;
    QDir().mkpath(demoDir);
    const quint16 port = freeLoopbackPort();
    if (port == 0 || !writeMailbox(demoDir) ||
        !writeFile(demoDir + "/dovecot.conf",
                   dovecot::configuration(demoDir, port, dovecot::mailOwner())) ||
        !prepareSettings(programDir, port))
        return 1;
    std::printf("%u\n", port);
    return 0;
}
