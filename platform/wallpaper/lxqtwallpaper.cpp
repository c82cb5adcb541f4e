#include "platform/wallpaper/lxqtwallpaper.h"

#include "platform/dbuscall.h"
#include "platform/wholefile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <xcb/xcb.h>

#include <memory>

namespace platform::wallpaper {

namespace {

const QString Desktop = QStringLiteral("org.pcmanfm.PCManFM");
const QString SessionModule = QStringLiteral("lxqt-desktop.desktop");

// Runs pcmanfm-qt with arguments; then(true) when it ends with success. One
// that has not ended within 15 s is ended.
void pcmanfm(const QStringList &arguments, std::function<void(bool)> then)
{
    auto *process = new QProcess;
    QTimer::singleShot(15000, process, &QProcess::kill);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process,
                     [process, then](int exitCode, QProcess::ExitStatus status) {
                         process->deleteLater();
                         then(status == QProcess::NormalExit && exitCode == 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, then](QProcess::ProcessError error) {
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
    QStringList parts;
    for (const QByteArray &part : readWhole(file).split('\0')) {
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
    DesktopProcess desktop{ QString::number(pid),
                            nulSeparated(QStringLiteral("/proc/%1/cmdline").arg(pid)),
                            nulSeparated(QStringLiteral("/proc/%1/environ").arg(pid)),
                            {} };
    QString profile = QStringLiteral("default");
    for (qsizetype i = 0; i < desktop.command.size(); ++i) {
        const QString &argument = desktop.command[i];
        if (argument.startsWith(QLatin1String("--profile=")))
            profile = argument.mid(10);
        else if ((argument == QLatin1String("--profile") || argument == QLatin1String("-p"))
                 && i + 1 < desktop.command.size())
            profile = desktop.command[i + 1];
    }
    desktop.settings = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/pcmanfm-qt/%1/settings.conf").arg(profile);
    return desktop;
}

// Waits for the process to be gone, 10 s at most, then calls then.
void whenGone(const QString &pid, int tries, std::function<void()> then)
{
    if (!QFile::exists(QStringLiteral("/proc/") + pid) || tries == 0)
        then();
    else
        QTimer::singleShot(100, [pid, tries, then] { whenGone(pid, tries - 1, then); });
}

// Whether the process holds a window of its own besides the desktop's: a
// file manager's, a dialog. The window manager lists every window it manages
// (minimized ones too), each with its process and its type. Where that
// cannot be asked (no X11 display, or no such window manager), it may.
bool holdsOtherWindows(uint pid)
{
    const auto *x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return true;
    xcb_connection_t *connection = x11->connection();
    const auto atom = [connection](const char *name) {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
                xcb_intern_atom_reply(connection,
                                      xcb_intern_atom(connection, 0, qstrlen(name), name), nullptr),
                &free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    };
    const auto property = [connection](xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
        const xcb_get_property_cookie_t asked =
                xcb_get_property(connection, 0, window, name, type, 0, 4096);
        std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
                xcb_get_property_reply(connection, asked, nullptr), &free);
        const auto *values =
                reply ? static_cast<const quint32 *>(xcb_get_property_value(reply.get())) : nullptr;
        return values
                ? QList<quint32>(values, values + xcb_get_property_value_length(reply.get()) / 4)
                : QList<quint32>();
    };
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t desktopType = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    const QList<quint32> clients = property(root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    if (clients.isEmpty())
        return true;
    return std::ranges::any_of(clients, [&](quint32 window) {
        return property(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL).value(0) == pid
                && !property(window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM)
                            .contains(desktopType);
    });
}

// Marks a picture drawn but not kept for the desktop's next start.
QString unfinishedMark(const QString &folder)
{
    return folder + QStringLiteral("/lxqt-mode.unfinished");
}

DBusCall owner()
{
    return { QStringLiteral("org.freedesktop.DBus"),
             QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus"),
             QStringLiteral("GetConnectionUnixProcessID"),
             { Desktop } };
}

DBusCall session(const QString &method, const QVariantList &arguments = {})
{
    return { QStringLiteral("org.lxqt.session"), QStringLiteral("/LXQtSession"),
             QStringLiteral("org.lxqt.session"), method, arguments };
}

// The user's settings of the desktop's profile, or else those it came with.
QByteArray userSettings(const DesktopProcess &desktop)
{
    const QString profile = desktop.settings.section(QLatin1Char('/'), -3);
    return readWhole(QStandardPaths::locate(QStandardPaths::GenericConfigLocation, profile));
}

// Starts the desktop again as it was started: by the LXQt session where that
// ran it, else with its own command and environment, and detached from this
// run's output (whoever reads that would otherwise wait for the desktop).
void startAgain(const DesktopProcess &desktop, bool bySession,
                std::function<void(bool started)> then)
{
    if (bySession) {
        callSessionBus(session(QStringLiteral("startModule"), { SessionModule }),
                       [then](const QDBusMessage &reply) {
                           then(reply.type() == QDBusMessage::ReplyMessage);
                       });
        return;
    }
    QProcess again;
    again.setProgram(desktop.command.value(0));
    again.setArguments(desktop.command.mid(1));
    again.setEnvironment(desktop.environment);
    again.setStandardInputFile(QProcess::nullDevice());
    again.setStandardOutputFile(QProcess::nullDevice());
    again.setStandardErrorFile(QProcess::nullDevice());
    then(again.startDetached());
}

// Ends the desktop, writes zoom into its settings once it has written its
// own as it ends, and starts it again.
void restartZoomed(const DesktopProcess &desktop, Wallpaper::Done done)
{
    const DBusCall quit{ Desktop, QStringLiteral("/Application"),
                         QStringLiteral("org.pcmanfm.Application"), QStringLiteral("quit") };
    callSessionBus(session(QStringLiteral("listModules")),
                   [desktop, quit, done](const QDBusMessage &listed) {
                       const bool bySession =
                               listed.arguments().value(0).toStringList().contains(SessionModule);
                       callSessionBus(quit, [desktop, done, bySession](const QDBusMessage &) {
                           whenGone(desktop.pid, 100, [desktop, done, bySession] {
                               const QByteArray zoomed = lxqtZoomed(readWhole(desktop.settings));
                               const bool written =
                                       replaceWhole(desktop.settings, zoomed) == Failure::None;
                               startAgain(desktop, bySession, [done, written](bool started) {
                                   done(started && written);
                               });
                           });
                       });
                   });
}

} // namespace

QString lxqtMode(const QByteArray &settings)
{
    static const QStringList known = { QStringLiteral("stretch"), QStringLiteral("fit"),
                                       QStringLiteral("center"), QStringLiteral("tile"),
                                       QStringLiteral("zoom") };
    const QString mode = QRegularExpression(QStringLiteral("^WallpaperMode=(\\S*)"),
                                            QRegularExpression::MultilineOption)
                                 .match(QString::fromUtf8(settings))
                                 .captured(1);
    return known.contains(mode) ? mode : QStringLiteral("none");
}

QByteArray lxqtZoomed(const QByteArray &settings)
{
    QString text = QString::fromUtf8(settings);
    const QRegularExpression line(QStringLiteral("^WallpaperMode=.*$"),
                                  QRegularExpression::MultilineOption);
    if (text.contains(line))
        text.replace(line, QStringLiteral("WallpaperMode=zoom"));
    else if (text.contains(QLatin1String("[Desktop]\n")))
        text.replace(QLatin1String("[Desktop]\n"),
                     QLatin1String("[Desktop]\nWallpaperMode=zoom\n"));
    else
        text.append(QLatin1String("\n[Desktop]\nWallpaperMode=zoom\n"));
    return text.toUtf8();
}

void setLxqtWallpaper(const QString &bitmapPath, Wallpaper::Done done)
{
    const QString set = QStringLiteral("--set-wallpaper=") + bitmapPath;
    const QString unfinished = unfinishedMark(QFileInfo(bitmapPath).path());
    callSessionBus(owner(), [set, unfinished, done](const QDBusMessage &pid) {
        if (pid.type() != QDBusMessage::ReplyMessage) {
            pcmanfm({ set }, done); // no desktop of its own on the bus: as it ever was
            return;
        }
        const DesktopProcess desktop = describe(pid.arguments().value(0).toUInt());
        if (lxqtMode(userSettings(desktop)) != QLatin1String("none")) {
            QFile::remove(unfinished);
            pcmanfm({ set }, done);
        } else if (holdsOtherWindows(desktop.pid.toUInt())) {
            // Its mode is kept only by ending it, which would close the
            // user's windows: the picture is drawn filling the screen for
            // now, and a later run keeps it once it can.
            QFile(unfinished).open(QIODevice::WriteOnly);
            pcmanfm({ set, QStringLiteral("--wallpaper-mode=stretch") }, done);
        } else {
            pcmanfm({ set }, [desktop, unfinished, done](bool taken) {
                if (!taken) {
                    done(false);
                    return;
                }
                restartZoomed(desktop, [unfinished, done](bool kept) {
                    if (kept)
                        QFile::remove(unfinished);
                    done(kept);
                });
            });
        }
    });
}

bool lxqtUnfinished(const QString &folder)
{
    return QFile::exists(unfinishedMark(folder));
}

void finishLxqtWallpaper(const QString &folder, Wallpaper::Done done)
{
    callSessionBus(owner(), [folder, done](const QDBusMessage &pid) {
        const QByteArray settings = userSettings(describe(pid.arguments().value(0).toUInt()));
        const QString picture = QRegularExpression(QStringLiteral("^Wallpaper=(.*)$"),
                                                   QRegularExpression::MultilineOption)
                                        .match(QString::fromUtf8(settings))
                                        .captured(1);
        // The user has since chosen a mode, or a picture, of their own.
        if (pid.type() != QDBusMessage::ReplyMessage || lxqtMode(settings) != QLatin1String("none")
            || QFileInfo(picture).path() != folder) {
            QFile::remove(unfinishedMark(folder));
            done(true);
            return;
        }
        setLxqtWallpaper(picture, done);
    });
}

} // namespace platform::wallpaper
