#pragma once

#include <QDBusPendingCall>

#include <functional>

namespace platform::wallpaper {

// Calls then(true) once the call has its answer, then(false) once it has
// failed: an error reply, no such service, or no answer in time.
void whenAnswered(const QDBusPendingCall &call, std::function<void(bool answered)> then);

} // namespace platform::wallpaper
