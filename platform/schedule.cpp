#include "schedule.h"

#include "dbuscall.h"
#include "wholefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>

namespace platform {

namespace {

const QString Timer = QStringLiteral("tavelo-daily.timer");
const QString Service = QStringLiteral("tavelo-daily.service");

QString configFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString unitsFolder()
{
    return configFolder() + QStringLiteral("/systemd/user/");
}

QString autostartFile()
{
    return configFolder() + QStringLiteral("/autostart/" TAVELO_APP_ID ".Daily.desktop");
}

QString program()
{
    const QString installed = QStringLiteral(TAVELO_INSTALLED_PROGRAM);
    return QFile::exists(installed) ? installed : QCoreApplication::applicationFilePath();
}

// Where no user manager runs, Debian's session bus would start a stand-in
// that only fails.
DBusCall manager(const QString &method, const QVariantList &arguments = {})
{
    return { QStringLiteral("org.freedesktop.systemd1"),
             QStringLiteral("/org/freedesktop/systemd1"),
             QStringLiteral("org.freedesktop.systemd1.Manager"),
             method,
             arguments,
             false };
}

bool noManager(const QDBusMessage &reply)
{
    const QString error = reply.errorName();
    return error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
            || error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")
            || error == QLatin1String("org.freedesktop.DBus.Error.Disconnected")
            || error.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

// Calls the manager's methods one after another. With stopAtError, then gets
// the first error; otherwise errors are passed over and then gets the last reply.
void inTurn(QList<DBusCall> calls, bool stopAtError,
            std::function<void(const QDBusMessage &reply)> then)
{
    const DBusCall call = calls.takeFirst();
    callSessionBus(call, [calls, stopAtError, then](const QDBusMessage &reply) {
        if (calls.isEmpty() || (stopAtError && reply.type() == QDBusMessage::ErrorMessage))
            then(reply);
        else
            inTurn(calls, stopAtError, then);
    });
}

// The program as one word of a command line: in double quotes, with the
// quote, the backslash and what else the file's syntax reserves written as
// escapes, and "%" as percent.
QString quoted(QString program, const QString &reserved, const QString &percent)
{
    program.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    for (const QChar c : reserved)
        program.replace(c, QLatin1Char('\\') + c);
    return QLatin1Char('"') + program.replace(QLatin1Char('%'), percent) + QLatin1Char('"');
}

QByteArray timerText()
{
    return readWhole(QStringLiteral(":/units/tavelo-daily.timer"));
}

// At login only, where no user manager runs. The desktop entry's string
// escapes its backslashes once more.
QByteArray autostartText(const QString &program)
{
    const QString exec = quoted(program, QStringLiteral("\"`$"), QStringLiteral("%%"))
                                 .replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\n"
                          "Comment=The newest picture of the day as the desktop wallpaper\n"
                          "Exec=%2 --set-wallpaper\nNoDisplay=true\n")
            .arg(QCoreApplication::applicationName(), exec)
            .toUtf8();
}

bool writeFile(const QString &path, const QByteArray &text)
{
    return QDir().mkpath(QFileInfo(path).path()) && replaceWhole(path, text) == Failure::None;
}

bool writeUnits(const QString &program)
{
    return writeFile(unitsFolder() + Service, serviceText(program))
            && writeFile(unitsFolder() + Timer, timerText());
}

} // namespace

// systemd expands "%" specifiers in the command's path, but no "$" variables,
// and refuses a path that holds a quote or a backslash: such a path is handed
// to env instead, as an argument, where "$" is a variable's.
QByteArray serviceText(const QString &program)
{
    const bool plain = std::none_of(program.cbegin(), program.cend(), [](QChar c) {
        return c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('\\');
    });
    const QString exec = plain ? quoted(program, {}, QStringLiteral("%%"))
                               : QStringLiteral("/usr/bin/env ")
                    + quoted(program, QStringLiteral("\""), QStringLiteral("%%"))
                              .replace(QLatin1Char('$'), QLatin1String("$$"));
    const QString service =
            QString::fromUtf8(readWhole(QStringLiteral(":/units/tavelo-daily.service.in")));
    return QString(service).replace(QLatin1String("@TAVELO_EXEC@"), exec).toUtf8();
}

void readSchedule(std::function<void(bool on)> then)
{
    callSessionBus(manager(QStringLiteral("GetUnitFileState"), { Timer }),
                   [then](const QDBusMessage &reply) {
                       const bool enabled =
                               reply.arguments().value(0).toString() == QLatin1String("enabled");
                       const bool atLogin = QFile::exists(autostartFile());
                       if (atLogin && readWhole(autostartFile()) != autostartText(program()))
                           writeFile(autostartFile(), autostartText(program()));
                       const QString service = unitsFolder() + Service;
                       if (!enabled || !QFile::exists(service)
                           || readWhole(service) == serviceText(program())) {
                           then(enabled || atLogin);
                           return;
                       }
                       writeUnits(program());
                       inTurn({ manager(QStringLiteral("Reload")) }, false,
                              [then](const QDBusMessage &) { then(true); });
                   });
}

void setSchedule(bool on, std::function<void(bool done)> then)
{
    const QList<DBusCall> enable = {
        manager(QStringLiteral("Reload")),
        manager(QStringLiteral("EnableUnitFiles"), { QStringList{ Timer }, false, true }),
        manager(QStringLiteral("Reload")),
        manager(QStringLiteral("StartUnit"), { Timer, QStringLiteral("replace") })
    };
    // A run of the service under way, or waiting to be tried again, stops too.
    const QList<DBusCall> disable = {
        manager(QStringLiteral("StopUnit"), { Timer, QStringLiteral("replace") }),
        manager(QStringLiteral("StopUnit"), { Service, QStringLiteral("replace") }),
        manager(QStringLiteral("CleanUnit"), { Timer, QStringList{ QStringLiteral("state") } }),
        manager(QStringLiteral("DisableUnitFiles"), { QStringList{ Timer }, false })
    };
    // Every file written, gone; the manager told last, where there is one.
    const auto removeAll = [then](bool tellManager) {
        const QStringList files = { unitsFolder() + Service, unitsFolder() + Timer,
                                    autostartFile() };
        const bool removed = std::ranges::all_of(files, [](const QString &file) {
            return QFile::remove(file) || !QFile::exists(file);
        });
        if (tellManager)
            inTurn({ manager(QStringLiteral("Reload")) }, false,
                   [then, removed](const QDBusMessage &) { then(removed); });
        else
            then(removed);
    };
    callSessionBus(
            manager(QStringLiteral("GetUnitFileState"), { Timer }), [=](const QDBusMessage &state) {
                const bool managed = !noManager(state);
                const QString runs = program();
                if (!on && managed)
                    inTurn(disable, false, [removeAll](const QDBusMessage &) { removeAll(true); });
                else if (!on)
                    removeAll(false);
                else if (!managed)
                    then(writeFile(autostartFile(), autostartText(runs)));
                else if (runs != QLatin1String(TAVELO_INSTALLED_PROGRAM) && !writeUnits(runs))
                    then(false);
                else
                    inTurn(enable, true, [then](const QDBusMessage &reply) {
                        QFile::remove(autostartFile()); // from a session that had no user manager
                        then(reply.type() == QDBusMessage::ReplyMessage);
                    });
            });
}

} // namespace platform
