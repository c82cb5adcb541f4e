#pragma once

#include "failure.h"

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces the file at path with bytes once all of them are written: the new
// file takes the old one's place in one step, so nobody ever reads it half
// written, and a write that fails leaves the old file as it was. Gives None,
// PermissionDenied when the file may not be written, or PathFileAccessError
// when the write failed otherwise.
[[nodiscard]] Failure replaceWhole(const QString &path, const QByteArray &bytes);

} // namespace platform
