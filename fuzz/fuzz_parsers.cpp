// Feeds arbitrary bytes, as the network would bring them, to Tavelo's three
// readers of text from outside, and checks what each promises: the picture
// locator (the bytes as a home page, read as UTF-8 and as Latin-1), Save's
// proposed name (as an address), and the image archive's reader (as its answer).

#include "check.h"
#include "commands/savename.h"
#include "retrieval/archive.h"
#include "retrieval/piclocator.h"
#include "retrieval/regiontable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>

namespace {

// A path found is a piece of the marker's line that ends in "jpg"; no marker
// anywhere gives an empty path, never a failure.
void checkPage(const QString &page)
{
    const std::optional<QString> path = retrieval::FindPicPath(page);
    if (!page.contains(u"g_img={url:"))
        FUZZ_CHECK(path && path->isEmpty());
    else if (path)
        FUZZ_CHECK(path->endsWith(u"jpg") && page.contains(*path) && !path->contains(u"\r\n"));
}

// The name is a piece of the address: its tail, or an archive picture's id,
// which names a JPEG; without an encoded slash, never a path.
void checkAddress(const QString &address)
{
    const QString name = commands::proposedSaveName(address);
    FUZZ_CHECK(address.contains(name));
    if (!address.endsWith(name))
        FUZZ_CHECK(address.contains(QStringLiteral("id=") + name) && name.endsWith(u".jpg", Qt::CaseInsensitive));
    if (!address.contains(u"%2f"))
        FUZZ_CHECK(!name.contains(u'/') && !name.contains(u'&'));
}

// Picture addresses on the image host, made of urlbase or of url, or none.
void checkArchive(const QByteArray &answer)
{
    const QList<retrieval::ArchivePicture> days = retrieval::readArchive(answer);
    const QJsonArray images = QJsonDocument::fromJson(answer).object().value(u"images").toArray();
    static const QString picHost = retrieval::PicHost();
    FUZZ_CHECK(days.size() <= retrieval::ArchiveDays && days.size() <= images.size());
    for (qsizetype i = 0; i < days.size(); ++i) {
        const QString path = days[i].address.mid(picHost.size());
        FUZZ_CHECK(retrieval::isOnPicHost(days[i].address) && path.startsWith(u'/') && !path.startsWith(u"//"));
        const QJsonObject image = images.at(i).toObject();
        FUZZ_CHECK(image.value(u"urlbase").toString() + QStringLiteral("_1920x1080.jpg") == path
                   || image.value(u"url").toString() == path);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkPage(QString::fromUtf8(bytes));
    checkPage(QString::fromLatin1(bytes));
    checkAddress(QString::fromUtf8(bytes));
    checkArchive(bytes);
    return 0;
}
