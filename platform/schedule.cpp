#include "schedule.h"

#include "dbuscall.h"
#include "wholefile.h"

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

QString autostartFile()
{
    return configFolder() + QStringLiteral("/autostart/io.github.tavelo.Tavelo.Daily.desktop");
}

QDBusMessage manager(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.systemd1"), QStringLiteral("/org/freedesktop/systemd1"),
        QStringLiteral("org.freedesktop.systemd1.Manager"), method);
    call.setArguments(arguments);
    // Where no user manager runs, Debian's session bus would start a stand-in
    // that only fails.
    call.setAutoStartService(false);
    return call;
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
void inTurn(QList<QDBusMessage> calls, bool stopAtError, std::function<void(const QDBusMessage &reply)> then)
{
    const QDBusMessage call = calls.takeFirst();
    callSessionBus(call, [calls, stopAtError, then](const QDBusMessage &reply) {
        if (calls.isEmpty() || (stopAtError && reply.type() == QDBusMessage::ErrorMessage))
            then(reply);
        else
            inTurn(calls, stopAtError, then);
    });
}

// program as one word of a command line: in double quotes, with the quote,
// the backslash, and what else the file's syntax reserves written as escapes.
QString quoted(QString program, const QString &reserved, const QStringList &escapes)
{
    program.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    for (const QChar c : reserved)
        program.replace(c, QLatin1Char('\\') + c);
    program = QLatin1Char('"') + program + QLatin1Char('"');
    for (const QString &escape : escapes)
        program.replace(escape.front(), escape);
    return program;
}

// The units the installed program came with, written for this one.
bool writeUnits(const QString &program)
{
    QFile service(QStringLiteral(":/units/tavelo-daily.service.in")), timer(QStringLiteral(":/units/tavelo-daily.timer"));
    if (!service.open(QIODevice::ReadOnly) || !timer.open(QIODevice::ReadOnly))
        return false;
    const QString exec = quoted(program, QStringLiteral("\""), {QStringLiteral("%%"), QStringLiteral("$$")});
    const QString folder = configFolder() + QStringLiteral("/systemd/user/");
    return QDir().mkpath(folder)
           && replaceWhole(folder + Service, QString::fromUtf8(service.readAll()).replace(QLatin1String("@TAVELO_EXEC@"), exec).toUtf8())
                  == Failure::None
           && replaceWhole(folder + Timer, timer.readAll()) == Failure::None;
}

// At login only, where no user manager runs.
bool writeAutostart(const QString &program)
{
    const QString exec = quoted(program, QStringLiteral("\"`$"), {QStringLiteral("%%")}).replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return QDir().mkpath(QFileInfo(autostartFile()).path())
           && replaceWhole(autostartFile(), QStringLiteral("[Desktop Entry]\nType=Application\nName=Tavelo\n"
                                                         "Comment=The newest picture of the day as the desktop wallpaper\n"
                                                         "Exec=%1 --set-wallpaper\nNoDisplay=true\n")
                                                  .arg(exec).toUtf8()) == Failure::None;
}

} // namespace

void readSchedule(std::function<void(bool on)> then)
{
    callSessionBus(manager(QStringLiteral("GetUnitFileState"), {Timer}), [then](const QDBusMessage &reply) {
        then(reply.arguments().value(0).toString() == QLatin1String("enabled") || QFile::exists(autostartFile()));
    });
}

void setSchedule(bool on, const QString &program, std::function<void(bool done)> then)
{
    const QList<QDBusMessage> enable = {manager(QStringLiteral("Reload"), {}),
                                        manager(QStringLiteral("EnableUnitFiles"), {QStringList{Timer}, false, true}),
                                        manager(QStringLiteral("Reload"), {}),
                                        manager(QStringLiteral("StartUnit"), {Timer, QStringLiteral("replace")})};
    // The timer's record of its last run (for Persistent=) goes too.
    const QList<QDBusMessage> disable = {manager(QStringLiteral("StopUnit"), {Timer, QStringLiteral("replace")}),
                                         manager(QStringLiteral("CleanUnit"), {Timer, QStringList{QStringLiteral("state")}}),
                                         manager(QStringLiteral("DisableUnitFiles"), {QStringList{Timer}, false})};
    // Every file written, gone; the manager told last, where there is one.
    const auto removeAll = [then](bool tellManager) {
        const QString units = configFolder() + QStringLiteral("/systemd/user/");
        const bool removed = std::ranges::all_of(QStringList{units + Service, units + Timer, autostartFile()},
                                                 [](const QString &file) { return QFile::remove(file) || !QFile::exists(file); });
        if (tellManager)
            inTurn({manager(QStringLiteral("Reload"), {})}, false, [then, removed](const QDBusMessage &) { then(removed); });
        else
            then(removed);
    };
    callSessionBus(manager(QStringLiteral("GetUnitFileState"), {Timer}), [=](const QDBusMessage &state) {
        const bool managed = !noManager(state);
        if (!on && managed)
            inTurn(disable, false, [removeAll](const QDBusMessage &) { removeAll(true); });
        else if (!on)
            removeAll(false);
        else if (!managed)
            then(writeAutostart(program));
        else if (program != QLatin1String(TAVELO_INSTALLED_PROGRAM) && !writeUnits(program))
            then(false);
        else
            inTurn(enable, true, [then](const QDBusMessage &reply) {
                QFile::remove(autostartFile()); // from a session that had no user manager
                then(reply.type() == QDBusMessage::ReplyMessage);
            });
    });
}

} // namespace platform
