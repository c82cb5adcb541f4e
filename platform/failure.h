#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// Every failure in Tavelo carries a number, and every message it shows for a
// failure is made here. The numbers are shown to users, who quote them when
// they ask for help, so a number once given never changes its meaning.
//
// The small numbers are the classic run-time error numbers; the large ones
// are 32-bit status codes of the network services, written as signed numbers.
enum class Failure : qint32 {
    None = 0,
    InvalidArgument = 5,
    OutOfMemory = 7,
    FileNotFound = 53,
    // The desktop refused the wallpaper, or could not be reached.
    DeviceUnavailable = 68,
    PermissionDenied = 70,
    // A file could not be written where its folder is.
    PathFileAccessError = 75,
    // The folder a file belongs in could not be had.
    PathNotFound = 76,
    InvalidPicture = 481,
    // The server cannot be reached: name lookup fails, the connection is
    // refused, the host or network is unreachable, or no connection was made
    // within the time limit.
    CannotConnect = qint32(0x800C0005u),
    // Any other failure of a transfer.
    DownloadFailure = qint32(0x800C0008u),
    // A transfer that stalled for longer than the time limit.
    TimedOut = qint32(0x800C000Bu),
    // The secure connection could not be set up.
    SecureFailure = qint32(0x800C000Eu),
};

// "发生错误，错误号 5。": the message for any failure. The number is written
// in decimal, with one leading space when it is zero or more and the minus
// sign alone when it is negative.
QString genericMessage(Failure failure);

// What a failed picture load says: its own words for a server that cannot be
// reached and for a refused file, the generic message otherwise.
QString loadMessage(Failure failure);

} // namespace platform
