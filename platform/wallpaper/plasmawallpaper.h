#pragma once

#include "platform/wallpaper.h"

#include <QString>

namespace platform::wallpaper {

// A JavaScript string literal, in double quotes, whose value is text. Quotes,
// backslashes, control characters and everything outside printable ASCII are
// written as escapes (\", \\, \uXXXX per UTF-16 unit), so the literal is also
// valid JSON and no file name can end the string or add script of its own.
QString jsStringLiteral(const QString &text);

// The plasmashell script that shows the file on every desktop, with the
// file:// URI of bitmapPath as its only piece of data.
QString plasmaScript(const QString &bitmapPath);

// KDE Plasma: org.kde.plasmashell /PlasmaShell evaluateScript on the session
// bus, asynchronously; taken when the script ran without error.
void setPlasmaWallpaper(const QString &bitmapPath, Wallpaper::Done done);

} // namespace platform::wallpaper
