#include "dbuscall.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>

namespace platform {

void callSessionBus(const DBusCall &call, std::function<void(const QDBusMessage &reply)> then,
                    int timeoutMs)
{
    QDBusMessage message =
            QDBusMessage::createMethodCall(call.service, call.path, call.interface, call.method);
    message.setArguments(call.arguments);
    message.setAutoStartService(call.autoStart);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        then(message.createErrorReply(QDBusError::Disconnected, QStringLiteral("no session bus")));
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, timeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [then = std::move(then)](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         then(finished->reply());
                     });
}

} // namespace platform
