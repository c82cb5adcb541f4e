#include "dbuscall.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>

namespace platform {

void callSessionBus(const QDBusMessage &call, std::function<void(const QDBusMessage &reply)> then, int timeoutMs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        then(call.createErrorReply(QDBusError::Disconnected, QStringLiteral("no session bus")));
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, timeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [then = std::move(then)](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         then(finished->reply());
                     });
}

} // namespace platform
