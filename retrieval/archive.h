#pragma once

#include "platform/failure.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

class QNetworkAccessManager;
class QObject;

namespace retrieval {

// The service's image archive: the newest pictures of a region, newest
// first. Answers longer than this are refused.
inline constexpr qint64 MaxArchiveBytes = 1024 * 1024;
// The most days the archive gives.
inline constexpr int ArchiveDays = 8;

// The archive's address for the newest days of a market ("ja-JP").
QString archiveAddress(const QString &market, int days);

struct ArchivePicture
{
    QString address; // 1920 x 1080, on the image host
    QString fullSize = {}; // the original, as large as the service keeps it; empty when unknown
    QString credit = {}; // what the picture shows and whose it is; may be empty
    QDate day = {}; // the day it is the picture of
    QDateTime since = {}; // when it became the picture of the day (UTC); invalid when unknown
    QString title = {}; // the service's name for it; may be empty
    QString file = {}; // where Tavelo keeps it (retrieval/kept.h); empty for the service's own
};

// Reads the archive's answer, JSON of the form
//   {"images":[{"urlbase":"/th?id=OHR.Name_ROW123","url":"/th?id=...jpg&...",
//               "startdate":"20261206","fullstartdate":"202612061600",
//               "copyright":"A place (© Someone)","title":"..."}, ...]}
// A picture is urlbase with "_1920x1080.jpg" after it, the size the service
// keeps for every picture (and "_UHD.jpg" for the original); without a
// usable urlbase, url as it stands. Either must be a path that starts with
// one "/", and the address must stay on the image host. The answer is trusted
// no further than a page is: the days run up to the first that is not
// usable, and an answer that is not the archive's gives none.
QList<ArchivePicture> readArchive(const QByteArray &answer);

// Asks the archive for the newest days of a market. done, called while
// context lives, gets them, or none and what went wrong: the transfer's own
// failure where no answer came, FileNotFound where the answer is no document
// (an error status), InvalidArgument where it is not the archive's.
void fetchArchive(
        QNetworkAccessManager &network, const QString &market, int days, QObject *context,
        std::function<void(const QList<ArchivePicture> &days, platform::Failure failure)> done);

} // namespace retrieval
