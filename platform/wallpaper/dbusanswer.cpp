#include "platform/wallpaper/dbusanswer.h"

#include <QDBusPendingCallWatcher>

#include <utility>

namespace platform::wallpaper {

void whenAnswered(const QDBusPendingCall &call, std::function<void(bool answered)> then)
{
    auto *watcher = new QDBusPendingCallWatcher(call);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [then = std::move(then)](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         then(!finished->isError());
                     });
}

} // namespace platform::wallpaper
