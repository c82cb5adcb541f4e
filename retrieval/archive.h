#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace retrieval {

// The service's image archive: where a picture is found when the home page
// names none. Answers longer than this are refused.
inline constexpr qint64 MaxArchiveBytes = 1024 * 1024;

// The archive's address for the newest picture of a region of RegionTable.
QString archiveAddress(int regionIndex);

struct ArchivePicture
{
    QString address; // on the image host
    QString credit;  // what the picture shows and whose it is; may be empty
};

// Reads the archive's answer, JSON of the form
//   {"images":[{"urlbase":"/th?id=OHR.Name_ROW123","url":"/th?id=...jpg&...",
//               "copyright":"A place (© Someone)","title":"..."}], ...}
// The picture is urlbase with "_1920x1080.jpg" after it, the size the
// service keeps for every picture; without a usable urlbase, url as it
// stands. Either must be a path that starts with one "/", and the address
// must stay on the image host. The answer is trusted no further than a page
// is: anything unexpected gives nothing.
std::optional<ArchivePicture> readArchive(const QByteArray &answer);

} // namespace retrieval
