#pragma once

#include <QString>

namespace commands {

// The file name the Save As dialog proposes for a picture's address. With a
// "%2f" (an encoded slash) in it, the text after its first occurrence.
// Otherwise, for an archive address, the value of its query item "id" where
// that ends in ".jpg" (in any case); else the address's last piece, after its
// last "/", "?", "=" or "&".
QString proposedSaveName(const QString &address);

} // namespace commands
