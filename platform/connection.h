#pragma once

#include <chrono>
#include <functional>

class QObject;

namespace platform {

// Calls then(true) once the system has a connection to a network beyond this
// machine: at once where it has one, or cannot tell; otherwise as soon as one
// comes, or then(false) after timeout. Nothing is sent meanwhile. Not called
// once context is gone.
void whenConnected(std::chrono::milliseconds timeout, QObject *context,
                   std::function<void(bool connected)> then);

} // namespace platform
