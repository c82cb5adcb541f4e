#pragma once

#include <QString>

namespace platform {

// The folder that holds the executable.
QString programFolder();

// Where the downloaded picture lives: the program folder when Tavelo may
// create files there, otherwise Tavelo's own folder in the user's cache.
QString downloadFolder(const QString &programFolder);

// Where the pictures Tavelo shows are kept: "Tavelo" in the user's pictures
// folder; empty where the user turned keeping off, with "keep=false" under
// [Pictures] in Tavelo's settings file (~/.config/Tavelo/Tavelo.conf).
QString keptFolder();

// The Save As dialog's first folder: "My Pictures" in the user's documents
// folder where that folder exists, otherwise the user's Pictures folder.
QString firstSaveFolder();

} // namespace platform
