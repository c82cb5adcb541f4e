#include "platform/wallpaper/xfcewallpaper.h"

#include "platform/dbuscall.h"

#include <QDBusArgument>
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
    for (const QString &property : properties) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("SetProperty"));
        call << channel << property << QVariant::fromValue(QDBusVariant(bitmapPath));
        callSessionBus(call, [answers](const QDBusMessage &reply) {
            answers->allSet = answers->allSet && reply.type() == QDBusMessage::ReplyMessage;
            if (--answers->awaited == 0)
                answers->done(answers->allSet);
        }, timeoutMs);
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

void setXfceWallpaper(const QString &bitmapPath, Wallpaper::Done done)
{
    QDBusMessage list =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetAllProperties"));
    list << channel << QStringLiteral("/backdrop");
    const QString monitor = primaryMonitorName();
    callSessionBus(list, [bitmapPath, monitor, done = std::move(done)](const QDBusMessage &reply) {
        QStringList existing;
        if (reply.type() == QDBusMessage::ReplyMessage) {
            existing = qdbus_cast<QVariantMap>(reply.arguments().value(0)).keys();
        } else if (!reply.errorName().startsWith(QLatin1String("org.xfce.Xfconf.Error."))) {
            done(false); // no settings daemon on this bus, or it hangs
            return;
        }
        // Otherwise the daemon has no such channel yet (no wallpaper was ever
        // set), and the current monitor's property is created.
        setProperties(xfceImageProperties(existing, monitor), bitmapPath, done);
    }, timeoutMs);
}

} // namespace platform::wallpaper
