#pragma once

#include <QByteArray>
#include <QString>

// The whole file, or nothing when it cannot be read.
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);

// The peak resident memory of this process, in KiB (0 where unknown).
qint64 peakMemoryKiB();
