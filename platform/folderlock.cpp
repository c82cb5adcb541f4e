#include "folderlock.h"

#include <QString>
#include <QTimer>

namespace platform {

namespace {

void tryLock(std::shared_ptr<QLockFile> lock, int tries, QObject *context, WhenLocked then)
{
    if (lock->tryLock(0) || lock->error() != QLockFile::LockFailedError) {
        then(lock);
    } else if (tries == 0) {
        then(nullptr);
    } else {
        QTimer::singleShot(100, context, [lock, tries, context, then] {
            tryLock(lock, tries - 1, context, then);
        });
    }
}

} // namespace

void whenLocked(const QString &folder, QObject *context, WhenLocked then)
{
    auto lock = std::make_shared<QLockFile>(folder + QStringLiteral("/wallpaper.lock"));
    lock->setStaleLockTime(0);
    tryLock(std::move(lock), 300, context, std::move(then));
}

} // namespace platform
