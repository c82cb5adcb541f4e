#include "platform/wallpaper/plasmawallpaper.h"

#include "platform/dbuscall.h"

#include <QUrl>

namespace platform::wallpaper {

QString jsStringLiteral(const QString &text)
{
    QString literal;
    literal.reserve(text.size() + 2);
    literal += QLatin1Char('"');
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u'"' || unit == u'\\') {
            literal += QLatin1Char('\\');
            literal += c;
        } else if (unit >= 0x20 && unit < 0x7f) {
            literal += c;
        } else {
            // Control characters, U+2028/U+2029 (line ends in older script
            // engines), and all non-ASCII text, surrogates one unit at a time.
            literal += QStringLiteral("\\u%1").arg(unsigned(unit), 4, 16, QLatin1Char('0'));
        }
    }
    literal += QLatin1Char('"');
    return literal;
}

QString plasmaScript(const QString &bitmapPath)
{
    // Fully encoded, so "#", "?" or "%" in a file name cannot turn into URL syntax.
    const QString uri = QUrl::fromLocalFile(bitmapPath).toString(QUrl::FullyEncoded);
    return QStringLiteral("var image = %1;\n"
                          "var all = desktops();\n"
                          "for (var i = 0; i < all.length; i++) {\n"
                          "    var desktop = all[i];\n"
                          "    desktop.wallpaperPlugin = \"org.kde.image\";\n"
                          "    desktop.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", "
                          "\"General\"];\n"
                          "    desktop.writeConfig(\"Image\", image);\n"
                          "}\n")
            .arg(jsStringLiteral(uri));
}

void setPlasmaWallpaper(const QString &bitmapPath, Wallpaper::Done done)
{
    const DBusCall call{ QStringLiteral("org.kde.plasmashell"),
                         QStringLiteral("/PlasmaShell"),
                         QStringLiteral("org.kde.PlasmaShell"),
                         QStringLiteral("evaluateScript"),
                         { plasmaScript(bitmapPath) } };
    // plasmashell answers once the script has run.
    callSessionBus(call, [done = std::move(done)](const QDBusMessage &reply) {
        done(reply.type() == QDBusMessage::ReplyMessage);
    });
}

} // namespace platform::wallpaper
