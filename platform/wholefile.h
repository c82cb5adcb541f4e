#pragma once

#include "failure.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace platform {

// Replaces the file at path with what write writes once all of it is
// written: the new file takes the old one's place in one step, so nobody
// ever reads it half written, and a write that fails leaves the old file as
// it was. Gives None, PermissionDenied when the file may not be written, or
// PathFileAccessError when the write failed otherwise.
[[nodiscard]] Failure replaceWhole(const QString &path,
                                   const std::function<bool(QIODevice &file)> &write);
[[nodiscard]] Failure replaceWhole(const QString &path, const QByteArray &bytes);

// The whole file at path; empty where it cannot be read.
QByteArray readWhole(const QString &path);

} // namespace platform
