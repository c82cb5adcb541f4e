#include "platform/wallpaper/lxqtwallpaper.h"

#include "platform/dbuscall.h"
#include "platform/wholefile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace platform::wallpaper {

namespace {

const QString Desktop = QStringLiteral("org.pcmanfm.PCManFM");
const QString SessionModule = QStringLiteral("lxqt-desktop.desktop");

// Runs pcmanfm-qt with arguments; then(true) when it ends with success.
void pcmanfm(const QStringList &arguments, std::function<void(bool)> then)
{
    auto *process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process, [process, then](int exitCode, QProcess::ExitStatus status) {
        process->deleteLater();
        then(status == QProcess::NormalExit && exitCode == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, then](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        then(false);
    });
    // Found through PATH; when it is missing nothing starts and nothing changes.
    process->start(QStringLiteral("pcmanfm-qt"), arguments);
}

QStringList nulSeparated(const QString &file)
{
    QFile proc(file);
    proc.open(QIODevice::ReadOnly);
    QStringList parts;
    for (const QByteArray &part : proc.readAll().split('\0')) {
        if (!part.isEmpty())
            parts.append(QString::fromLocal8Bit(part));
    }
    return parts;
}

// The running desktop, as it was started: its process, command, environment,
// and where its settings are.
struct DesktopProcess
{
    QString pid;
    QStringList command;
    QStringList environment;
    QString settings;
};

DesktopProcess describe(uint pid)
{
    DesktopProcess desktop{QString::number(pid), nulSeparated(QStringLiteral("/proc/%1/cmdline").arg(pid)),
                           nulSeparated(QStringLiteral("/proc/%1/environ").arg(pid)), {}};
    QString profile = QStringLiteral("default");
    for (qsizetype i = 0; i < desktop.command.size(); ++i) {
        const QString &argument = desktop.command[i];
        if (argument.startsWith(QLatin1String("--profile=")))
            profile = argument.mid(10);
        else if ((argument == QLatin1String("--profile") || argument == QLatin1String("-p")) && i + 1 < desktop.command.size())
            profile = desktop.command[i + 1];
    }
    desktop.settings = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                       + QStringLiteral("/pcmanfm-qt/%1/settings.conf").arg(profile);
    return desktop;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QDBusMessage call(const QString &service, const QString &path, const QString &interface, const QString &method,
                  const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return message;
}

// Waits for the process to be gone, 10 s at most, then calls then.
void whenGone(const QString &pid, int tries, std::function<void()> then)
{
    if (!QFile::exists(QStringLiteral("/proc/") + pid) || tries == 0)
        then();
    else
        QTimer::singleShot(100, [pid, tries, then] { whenGone(pid, tries - 1, then); });
}

// Ends the desktop, writes zoom into its settings, and starts it again.
void restartZoomed(const DesktopProcess &desktop, Wallpaper::Done done)
{
    const QDBusMessage modules = call(QStringLiteral("org.lxqt.session"), QStringLiteral("/LXQtSession"),
                                      QStringLiteral("org.lxqt.session"), QStringLiteral("listModules"));
    callSessionBus(modules, [desktop, done](const QDBusMessage &listed) {
        const bool bySession = listed.arguments().value(0).toStringList().contains(SessionModule);
        const QDBusMessage quit = call(Desktop, QStringLiteral("/Application"), QStringLiteral("org.pcmanfm.Application"), QStringLiteral("quit"));
        callSessionBus(quit, [desktop, done, bySession](const QDBusMessage &) {
            // It writes its settings as it ends: zoom goes in after that.
            whenGone(desktop.pid, 100, [desktop, done, bySession] {
                const bool written = replaceWhole(desktop.settings, lxqtZoomed(readAll(desktop.settings))) == Failure::None;
                if (bySession) {
                    callSessionBus(call(QStringLiteral("org.lxqt.session"), QStringLiteral("/LXQtSession"), QStringLiteral("org.lxqt.session"),
                                        QStringLiteral("startModule"), {SessionModule}),
                                   [done, written](const QDBusMessage &) { done(written); });
                    return;
                }
                QProcess again;
                again.setProgram(desktop.command.value(0));
                again.setArguments(desktop.command.mid(1));
                again.setEnvironment(desktop.environment);
                done(again.startDetached() && written);
            });
        });
    });
}

} // namespace

QString lxqtMode(const QByteArray &settings)
{
    static const QStringList known = {QStringLiteral("stretch"), QStringLiteral("fit"), QStringLiteral("center"),
                                      QStringLiteral("tile"), QStringLiteral("zoom")};
    const QString mode = QRegularExpression(QStringLiteral("^WallpaperMode=(\\S*)"), QRegularExpression::MultilineOption)
                             .match(QString::fromUtf8(settings)).captured(1);
    return known.contains(mode) ? mode : QStringLiteral("none");
}

QByteArray lxqtZoomed(const QByteArray &settings)
{
    QString text = QString::fromUtf8(settings);
    const QRegularExpression line(QStringLiteral("^WallpaperMode=.*$"), QRegularExpression::MultilineOption);
    if (text.contains(line))
        text.replace(line, QStringLiteral("WallpaperMode=zoom"));
    else if (text.contains(QLatin1String("[Desktop]\n")))
        text.replace(QLatin1String("[Desktop]\n"), QLatin1String("[Desktop]\nWallpaperMode=zoom\n"));
    else
        text.append(QLatin1String("\n[Desktop]\nWallpaperMode=zoom\n"));
    return text.toUtf8();
}

void setLxqtWallpaper(const QString &bitmapPath, Wallpaper::Done done)
{
    const QString set = QStringLiteral("--set-wallpaper=") + bitmapPath;
    const QDBusMessage owner = call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                    QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"), {Desktop});
    callSessionBus(owner, [set, done](const QDBusMessage &pid) {
        if (pid.type() != QDBusMessage::ReplyMessage) {
            pcmanfm({set}, done); // no desktop of its own on the bus: as it ever was
            return;
        }
        const DesktopProcess desktop = describe(pid.arguments().value(0).toUInt());
        // The user's settings, or else those the profile came with.
        const QString mode = lxqtMode(readAll(QStandardPaths::locate(QStandardPaths::GenericConfigLocation,
                                                                     desktop.settings.section(QLatin1Char('/'), -3))));
        pcmanfm({set, QStringLiteral("--wallpaper-mode=") + (mode == QLatin1String("none") ? QStringLiteral("zoom") : mode)},
                [desktop, mode, done](bool taken) {
                    if (!taken || mode != QLatin1String("none") || lxqtMode(readAll(desktop.settings)) != QLatin1String("none"))
                        done(taken);
                    else
                        restartZoomed(desktop, done);
                });
    });
}

} // namespace platform::wallpaper
