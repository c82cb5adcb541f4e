#include "platform/wallpaper/xfcewallpaper.h"

#include "platform/wallpaper/dbusanswer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScreen>
#include <QVariantMap>

#include <memory>
#include <utility>

namespace platform::wallpaper {

namespace {

const QString service = QStringLiteral("org.xfce.Xfconf");
const QString path = QStringLiteral("/org/xfce/Xfconf");
const QString interface = QStringLiteral("org.xfce.Xfconf");
const QString channel = QStringLiteral("xfce4-desktop");
constexpr int timeoutMs = 5000;

QString primaryMonitorName()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QString name = screen ? screen->name() : QString();
    // xfdesktop's property names hold no "/"; keep the name usable as one part.
    QString part = name;
    part.replace(QLatin1Char('/'), QLatin1Char('_'));
    return part.isEmpty() ? QStringLiteral("0") : part;
}

// Taken once the daemon has answered every property without an error.
void setProperties(const QStringList &properties, const QString &bitmapPath, Wallpaper::Done done)
{
    struct Answers
    {
        qsizetype awaited;
        bool allSet;
        Wallpaper::Done done;
    };
    auto answers = std::make_shared<Answers>(Answers{properties.size(), true, std::move(done)});
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const QString &property : properties) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("SetProperty"));
        call << channel << property << QVariant::fromValue(QDBusVariant(bitmapPath));
        whenAnswered(bus.asyncCall(call, timeoutMs), [answers](bool answered) {
            answers->allSet = answers->allSet && answered;
            if (--answers->awaited == 0)
                answers->done(answers->allSet);
        });
    }
}

} // namespace

QStringList xfceImageProperties(const QStringList &existing, const QString &monitorName)
{
    QStringList properties;
    for (const QString &name : existing) {
        if (name.startsWith(QLatin1String("/backdrop/")) && name.endsWith(QLatin1String("/last-image")))
            properties.append(name);
    }
    if (properties.isEmpty()) {
        properties.append(
            QStringLiteral("/backdrop/screen0/monitor%1/workspace0/last-image").arg(monitorName));
    }
    properties.sort();
    return properties;
}

void XfceWallpaper::setWallpaper(const QString &bitmapPath, Done done)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done(false);
        return;
    }
    QDBusMessage list =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetAllProperties"));
    list << channel << QStringLiteral("/backdrop");
    const QString monitor = primaryMonitorName();

    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(list, timeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [bitmapPath, monitor, done = std::move(done)](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<QVariantMap> reply = *finished;
                         QStringList existing;
                         if (!reply.isError()) {
                             existing = reply.value().keys();
                         } else if (!reply.error().name().startsWith(
                                        QLatin1String("org.xfce.Xfconf.Error."))) {
                             done(false); // no settings daemon on this bus, or it hangs
                             return;
                         }
                         // Otherwise the daemon has no such channel yet (no
                         // wallpaper was ever set), and the current monitor's
                         // property is created.
                         setProperties(xfceImageProperties(existing, monitor), bitmapPath, done);
                     });
}

} // namespace platform::wallpaper
