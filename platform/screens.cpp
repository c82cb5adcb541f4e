#include "screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

QSize largestScreen()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return {};
    // Offscreen screens count only where the environment asked for them.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")
        && !qgetenv("QT_QPA_PLATFORM").startsWith("offscreen"))
        return {};
    QSize largest;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QSize size = (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize();
        if (qint64(size.width()) * size.height() > qint64(largest.width()) * largest.height())
            largest = size;
    }
    return largest;
}

} // namespace platform
