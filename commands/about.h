#pragma once

#include <QString>

namespace commands {

// What the About box says: eight lines, each ended by a carriage return but
// the last.
QString aboutText();

// The About box's title.
QString aboutTitle();

} // namespace commands
