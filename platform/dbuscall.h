#pragma once

#include <QDBusMessage>
#include <QString>
#include <QVariantList>

#include <functional>

namespace platform {

// A method call on the session bus: which peer, object, interface and method,
// with what. Where autoStart is false, a peer that is not running is not
// started for it.
struct DBusCall
{
    QString service;
    QString path;
    QString interface;
    QString method;
    QVariantList arguments = {};
    bool autoStart = true;
};

// Sends the call and hands its reply to then, once: the answer, or an error
// message when the call failed (an error reply, no such service, no answer
// within timeoutMs, or no session bus at all). No peer keeps a caller
// waiting longer than that.
void callSessionBus(const DBusCall &call, std::function<void(const QDBusMessage &reply)> then,
                    int timeoutMs = 20000);

} // namespace platform
