#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace retrieval {

// Finds the picture's path in a home page. Lines end only at "\r\n"; the
// first line holding the marker "g_img={url:" is the only one looked at. The
// path starts one character after the marker and runs up to and including
// the first ".jpg" at or after the marker. Gives an empty path when no line
// holds the marker, and nothing (failure 5) when the marker line has no ".jpg".
std::optional<QString> FindPicPath(QStringView page);

} // namespace retrieval
