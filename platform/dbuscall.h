#pragma once

#include <QDBusMessage>

#include <functional>

namespace platform {

// Sends a method call on the session bus and hands its reply to then, once:
// the answer, or an error message when the call failed (an error reply, no
// such service, no answer within timeoutMs, or no session bus at all). No
// peer keeps a caller waiting longer than that.
void callSessionBus(const QDBusMessage &call, std::function<void(const QDBusMessage &reply)> then,
                    int timeoutMs = 20000);

} // namespace platform
