#include "kept.h"

#include "platform/wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

namespace retrieval {

namespace {

// One picture of the index.
struct Kept
{
    QString file; // its name in the folder
    QString market;
    QDate day;
    QString title;
    QString credit;
    QString address;
    qint64 size = 0; // as it was written
};

QString indexPath(const QString &folder)
{
    return folder + QStringLiteral("/index.json");
}

// What of the index can be read: an entry of another form, or one that names
// a file outside the folder, is passed over.
QList<Kept> readIndex(const QString &folder)
{
    QList<Kept> entries;
    const QJsonObject index =
            QJsonDocument::fromJson(platform::readWhole(indexPath(folder))).object();
    for (const QJsonValue &value : index.value(QLatin1String("pictures")).toArray()) {
        const QJsonObject entry = value.toObject();
        const auto text = [&entry](const char *key) {
            return entry.value(QLatin1String(key)).toString();
        };
        const Kept kept{ text("file"),
                         text("market"),
                         QDate::fromString(text("day"), Qt::ISODate),
                         text("title"),
                         text("credit"),
                         text("address"),
                         entry.value(QLatin1String("size")).toInteger() };
        const bool plainName = !kept.file.isEmpty() && QFileInfo(kept.file).fileName() == kept.file
                && !kept.file.startsWith(QLatin1Char('.'))
                && !kept.file.contains(QLatin1Char('\\'));
        if (plainName && kept.day.isValid() && !kept.market.isEmpty() && !kept.address.isEmpty())
            entries.append(kept);
    }
    return entries;
}

void writeIndex(const QString &folder, const QList<Kept> &entries)
{
    QJsonArray pictures;
    for (const Kept &kept : entries) {
        pictures.append(QJsonObject{ { QStringLiteral("file"), kept.file },
                                     { QStringLiteral("market"), kept.market },
                                     { QStringLiteral("day"), kept.day.toString(Qt::ISODate) },
                                     { QStringLiteral("title"), kept.title },
                                     { QStringLiteral("credit"), kept.credit },
                                     { QStringLiteral("address"), kept.address },
                                     { QStringLiteral("size"), kept.size } });
    }
    const QJsonObject index{ { QStringLiteral("version"), 1 },
                             { QStringLiteral("pictures"), pictures } };
    (void)platform::replaceWhole(indexPath(folder), QJsonDocument(index).toJson());
}

} // namespace

QString keptName(const QString &market, const ArchivePicture &picture, QDate today)
{
    QString title = picture.title;
    if (title.isEmpty()) {
        // An archive picture's id ("OHR.Name_ZH-CN123_1920x1080.jpg"), else its file's name.
        const QUrl address(picture.address);
        QString name = QUrlQuery(address).queryItemValue(QStringLiteral("id"));
        name = name.isEmpty() ? address.fileName() : name;
        title = name.mid(name.startsWith(QLatin1String("OHR.")) ? 4 : 0)
                        .section(QLatin1Char('_'), 0, 0);
        title = title.section(QLatin1Char('.'), 0, 0);
    }
    for (QChar &c : title) {
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    title = title.left(80).trimmed();
    const QDate day = picture.day.isValid() ? picture.day : today;
    return QStringLiteral("%1 %2 %3.jpg")
            .arg(day.toString(Qt::ISODate), market,
                 title.isEmpty() ? QStringLiteral("picture") : title);
}

void keepPicture(const QString &folder, const QString &market, const ArchivePicture &picture,
                 const QByteArray &bytes, QDate today)
{
    if (folder.isEmpty() || bytes.isEmpty() || !QDir().mkpath(folder))
        return;
    QLockFile lock(folder + QStringLiteral("/index.lock"));
    lock.setStaleLockTime(0); // stale only once its owner has ended
    if (!lock.tryLock(10000))
        return;
    QList<Kept> entries = readIndex(folder);
    if (std::ranges::any_of(entries, [&](const Kept &kept) {
            return kept.market == market && kept.address == picture.address;
        }))
        return;
    const QString name = keptName(market, picture, today);
    QString file = name;
    for (int n = 2; QFile::exists(folder + QLatin1Char('/') + file); ++n)
        file = name.chopped(4) + QStringLiteral(" (%1).jpg").arg(n);
    if (platform::replaceWhole(folder + QLatin1Char('/') + file, bytes) != platform::Failure::None)
        return;
    const QDate day = picture.day.isValid() ? picture.day : today;
    entries.append(
            { file, market, day, picture.title, picture.credit, picture.address, bytes.size() });
    entries.removeIf([&folder, oldest = today.addDays(-366)](const Kept &kept) {
        if (kept.day >= oldest)
            return false;
        const QFileInfo written(folder + QLatin1Char('/') + kept.file);
        if (written.isFile() && written.size() == kept.size)
            QFile::remove(written.filePath());
        return true;
    });
    writeIndex(folder, entries);
}

QList<ArchivePicture> keptPictures(const QString &folder, const QString &market)
{
    QList<Kept> entries = readIndex(folder);
    std::ranges::stable_sort(entries, [](const Kept &a, const Kept &b) { return a.day > b.day; });
    QList<ArchivePicture> pictures;
    for (const Kept &kept : std::as_const(entries)) {
        if (kept.market == market)
            pictures.append({ kept.address,
                              {},
                              kept.credit,
                              kept.day,
                              {},
                              kept.title,
                              folder + QLatin1Char('/') + kept.file });
    }
    return pictures;
}

} // namespace retrieval
