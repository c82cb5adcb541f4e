#pragma once

#include "archive.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

namespace retrieval {

// The pictures Tavelo keeps, in a folder of the user's pictures: every picture
// of the service it showed or made the wallpaper, as the service sent it,
// named by its day, market and title so that a file manager sorts and
// explains it ("2026-12-07 zh-CN 宇宙在绽放.jpg"), and an index beside them
// ("index.json") with what each shows, so that a kept picture shows as it did.
//
// Both read and write whole files, and keeping takes the folder's lock: call
// them off the interface thread.

// Keeps a picture of market, as its bytes came (already proved a picture),
// unless it is kept already: two processes at once keep it once. Its day, or
// else today's, names it. Kept pictures of the index older than 366 days
// go, each only where its file is still the one kept: a file the user moved,
// renamed, changed or added is never touched. An index that cannot be read
// whole is written again with what of it can be.
void keepPicture(const QString &folder, const QString &market, const ArchivePicture &picture,
                 const QByteArray &bytes, QDate today);

// The kept pictures of market, newest first, each with its file; what of the
// index can be read.
QList<ArchivePicture> keptPictures(const QString &folder, const QString &market);

// The name a picture is kept by: its day, market and title (or its own name
// where it has none), with what a file name cannot hold replaced.
QString keptName(const QString &market, const ArchivePicture &picture, QDate today);

} // namespace retrieval
