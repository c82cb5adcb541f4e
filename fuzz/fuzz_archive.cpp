// Feeds arbitrary bytes to the reader of the image archive's answer, as the
// network would bring them, and checks what it promises: picture addresses
// on the image host, made of urlbase or of url, or none.

#include "check.h"
#include "retrieval/archive.h"
#include "retrieval/regiontable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray answer(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<retrieval::ArchivePicture> days = retrieval::readArchive(answer);
    const QJsonArray images = QJsonDocument::fromJson(answer).object().value(u"images").toArray();
    static const QString picHost = retrieval::PicHost();
    FUZZ_CHECK(days.size() <= retrieval::ArchiveDays && days.size() <= images.size());
    for (qsizetype i = 0; i < days.size(); ++i) {
        const QString path = days[i].address.mid(picHost.size());
        FUZZ_CHECK(retrieval::isOnPicHost(days[i].address) && days[i].address.startsWith(picHost + u'/'));
        FUZZ_CHECK(!path.startsWith(u"//"));
        const QJsonObject image = images.at(i).toObject();
        FUZZ_CHECK(image.value(u"urlbase").toString() + QStringLiteral("_1920x1080.jpg") == path
                   || image.value(u"url").toString() == path);
    }
    return 0;
}
