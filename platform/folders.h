#pragma once

#include <QString>

namespace platform {

// The folder that holds the executable.
QString programFolder();

// Where the downloaded picture lives: the program folder when Tavelo may
// create files there, otherwise Tavelo's own folder in the user's cache.
QString downloadFolder(const QString &programFolder);

// The Save As dialog's first folder: "My Pictures" in the user's documents
// folder where that folder exists, otherwise the user's Pictures folder.
QString firstSaveFolder();

} // namespace platform
