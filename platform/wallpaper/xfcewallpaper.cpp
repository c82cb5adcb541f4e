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
void setProperties(const XfceSettings &settings, Wallpaper::Done done)
{
    struct Answers
    {
        qsizetype awaited;
        bool allSet;
        Wallpaper::Done done;
    };
    auto answers = std::make_shared<Answers>(Answers{ settings.size(), true, std::move(done) });
    for (const auto &[property, value] : settings) {
        const DBusCall call{ service,
                             path,
                             interface,
                             QStringLiteral("SetProperty"),
                             { channel, property, QVariant::fromValue(QDBusVariant(value)) } };
        callSessionBus(
                call,
                [answers](const QDBusMessage &reply) {
                    answers->allSet = answers->allSet && reply.type() == QDBusMessage::ReplyMessage;
                    if (--answers->awaited == 0)
                        answers->done(answers->allSet);
                },
                timeoutMs);
    }
}

} // namespace

XfceSettings xfceSettings(const QVariantMap &existing, const QString &monitorName,
                          const QString &bitmapPath)
{
    QStringList images;
    for (auto property = existing.cbegin(); property != existing.cend(); ++property) {
        if (property.key().startsWith(QLatin1String("/backdrop/"))
            && property.key().endsWith(QLatin1String("/last-image")))
            images.append(property.key());
    }
    if (images.isEmpty())
        images.append(QStringLiteral("/backdrop/screen0/monitor%1/workspace0/last-image")
                              .arg(monitorName));
    XfceSettings settings;
    for (const QString &image : std::as_const(images)) {
        settings.append({ image, bitmapPath });
        // Style 0 shows a plain colour instead: 5 zooms the picture to fill the screen.
        const QString style =
                image.left(image.lastIndexOf(QLatin1Char('/'))) + QStringLiteral("/image-style");
        bool isNumber = false;
        if (existing.value(style).toInt(&isNumber) == 0 && isNumber)
            settings.append({ style, 5 });
    }
    return settings;
}

void setXfceWallpaper(const QString &bitmapPath, Wallpaper::Done done)
{
    const DBusCall list{ service,
                         path,
                         interface,
                         QStringLiteral("GetAllProperties"),
                         { channel, QStringLiteral("/backdrop") } };
    const QString monitor = primaryMonitorName();
    callSessionBus(
            list,
            [bitmapPath, monitor, done = std::move(done)](const QDBusMessage &reply) {
                QVariantMap existing;
                if (reply.type() == QDBusMessage::ReplyMessage) {
                    existing = qdbus_cast<QVariantMap>(reply.arguments().value(0));
                    for (QVariant &value : existing) {
                        if (value.canConvert<QDBusVariant>())
                            value = value.value<QDBusVariant>().variant();
                    }
                } else if (!reply.errorName().startsWith(QLatin1String("org.xfce.Xfconf.Error."))) {
                    done(false); // no settings daemon on this bus, or it hangs
                    return;
                }
                // Otherwise the daemon has no such channel yet (no wallpaper was ever
                // set), and the current monitor's property is created.
                setProperties(xfceSettings(existing, monitor, bitmapPath), done);
            },
            timeoutMs);
}

} // namespace platform::wallpaper
