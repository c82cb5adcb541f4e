#pragma once

#include <QLockFile>

#include <functional>
#include <memory>

class QObject;
class QString;

namespace platform {

// The lock of Tavelo's folder ("wallpaper.lock" in it), which the window and
// the daily runs hold while they change what the folder holds: the wallpaper's
// bitmaps and the daily change's record. Each then sees the other's change
// whole, and no run deletes the bitmap another has just handed over.
//
// It is taken without holding up the thread: tried at once, then every 100 ms
// for 30 s at most, while context lives. then gets the lock, held until its
// last copy goes or it is unlocked; a lock not held where it cannot be made at
// all (a folder that may not be written, where the writes that follow fail and
// say why); or null where another process held it for those 30 s. A lock is
// stale only once its owner has ended, however long the desktop takes.
using WhenLocked = std::function<void(std::shared_ptr<QLockFile> lock)>;
void whenLocked(const QString &folder, QObject *context, WhenLocked then);

} // namespace platform
