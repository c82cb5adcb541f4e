#pragma once

#include <QString>
#include <QtGlobal>

// Every failure in Tavelo carries a number, and every message it shows for a
// failure is made here. The numbers are shown to users, who quote them when
// they ask for help, so a number once given never changes its meaning.
//
// The small numbers are the classic run-time error numbers; the large ones
// are 32-bit status codes of the network services, written as signed numbers.
namespace platform::failure {

inline constexpr qint32 InvalidArgument = 5;
inline constexpr qint32 OutOfMemory = 7;
inline constexpr qint32 FileNotFound = 53;
inline constexpr qint32 PermissionDenied = 70;
// A file could not be written where its folder is.
inline constexpr qint32 PathFileAccessError = 75;
// The folder a file belongs in could not be had.
inline constexpr qint32 PathNotFound = 76;
inline constexpr qint32 InvalidPicture = 481;

// The server cannot be reached: name lookup fails, the connection is
// refused, the host or network is unreachable, or no connection was made
// within the time limit.
inline constexpr qint32 CannotConnect = qint32(0x800C0005u);
// Any other failure of a transfer.
inline constexpr qint32 DownloadFailure = qint32(0x800C0008u);
// A transfer that stalled for longer than the time limit.
inline constexpr qint32 TimedOut = qint32(0x800C000Bu);
// The secure connection could not be set up.
inline constexpr qint32 SecureFailure = qint32(0x800C000Eu);

// A number as the run-time writes it: decimal, with one leading space when it
// is zero or more and the minus sign alone when it is negative.
QString numberText(qint64 number);

// "发生错误，错误号 5。": the message for any failure.
QString genericMessage(qint32 number);

// What a failed picture load says: its own words for a server that cannot be
// reached and for a refused file, the generic message otherwise.
QString loadMessage(qint32 number);

} // namespace platform::failure
