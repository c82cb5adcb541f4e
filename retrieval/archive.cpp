#include "archive.h"

#include "regiontable.h"

#include "platform/http.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <optional>

namespace retrieval {

namespace {

// A path on the host the address is made with: one "/" first (two would name
// another host), and nothing a browser might read as a separator or a line end.
bool isHostPath(const QJsonValue &value)
{
    const QString text = value.toString();
    if (!value.isString() || !text.startsWith(QLatin1Char('/'))
        || text.startsWith(QLatin1String("//")))
        return false;
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7f;
    });
}

std::optional<ArchivePicture> readImage(const QJsonObject &image)
{
    const QJsonValue urlbase = image.value(QLatin1String("urlbase"));
    const QJsonValue url = image.value(QLatin1String("url"));
    ArchivePicture picture;
    if (isHostPath(urlbase)) {
        picture.address = PicHost() + urlbase.toString() + QStringLiteral("_1920x1080.jpg");
        picture.fullSize = PicHost() + urlbase.toString() + QStringLiteral("_UHD.jpg");
    } else if (isHostPath(url)) {
        picture.address = PicHost() + url.toString();
    }
    if (picture.address.isEmpty() || !isOnPicHost(picture.address))
        return std::nullopt;

    // "Info" stands where the service has no title.
    const QString title = image.value(QLatin1String("title")).toString();
    if (title != QLatin1String("Info"))
        picture.title = title;
    picture.credit = image.value(QLatin1String("copyright")).toString();
    if (!picture.title.isEmpty())
        picture.credit = picture.credit.isEmpty()
                ? picture.title
                : picture.title + QLatin1Char('\n') + picture.credit;
    picture.day = QDate::fromString(image.value(QLatin1String("startdate")).toString(),
                                    QStringLiteral("yyyyMMdd"));
    // Read as UTC from the start: as local time it might fall into a gap.
    const QString since = image.value(QLatin1String("fullstartdate")).toString();
    picture.since = QDateTime(QDate::fromString(since.left(8), QStringLiteral("yyyyMMdd")),
                              QTime::fromString(since.mid(8), QStringLiteral("HHmm")), Qt::UTC);
    return picture;
}

} // namespace

QString archiveAddress(const QString &market, int days)
{
    return PicHost()
            + QStringLiteral("/HPImageArchive.aspx?format=js&idx=0&n=%1&mbl=1&mkt=").arg(days)
            + market;
}

QList<ArchivePicture> readArchive(const QByteArray &answer)
{
    QList<ArchivePicture> days;
    const QJsonArray images =
            QJsonDocument::fromJson(answer).object().value(QLatin1String("images")).toArray();
    for (const QJsonValue &image : images) {
        const std::optional<ArchivePicture> picture = readImage(image.toObject());
        if (!picture || days.size() == ArchiveDays)
            break;
        days.append(*picture);
    }
    return days;
}

void fetchArchive(
        QNetworkAccessManager &network, const QString &market, int days, QObject *context,
        std::function<void(const QList<ArchivePicture> &days, platform::Failure failure)> done)
{
    using platform::Failure;
    using platform::HttpGet;
    auto *get = new HttpGet(network, QUrl(archiveAddress(market, days)), HttpGet::Body::Keep,
                            MaxArchiveBytes, context);
    QObject::connect(get, &HttpGet::finished, context, [get, done] {
        get->deleteLater();
        const platform::HttpResult &answer = get->result();
        const QList<ArchivePicture> found =
                answer.isDocument() ? readArchive(answer.body) : QList<ArchivePicture>();
        if (!found.isEmpty())
            done(found, Failure::None);
        else if (!answer.succeeded())
            done({}, answer.failure);
        else
            done({}, answer.isDocument() ? Failure::InvalidArgument : Failure::FileNotFound);
    });
}

} // namespace retrieval
