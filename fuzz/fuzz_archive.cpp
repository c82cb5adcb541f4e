// Feeds arbitrary bytes to the reader of the image archive's answer, as the
// network would bring them, and checks what it promises: a picture address
// on the image host, made of urlbase or of url, or nothing.

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
    const std::optional<retrieval::ArchivePicture> picture = retrieval::readArchive(answer);
    if (!picture)
        return 0;

    static const QString picHost = retrieval::PicHost();
    FUZZ_CHECK(retrieval::isOnPicHost(picture->address));
    FUZZ_CHECK(picture->address.startsWith(picHost + u'/'));
    FUZZ_CHECK(!picture->address.startsWith(picHost + QStringLiteral("//")));

    const QJsonObject image = QJsonDocument::fromJson(answer).object().value(u"images").toArray().at(0).toObject();
    const QString path = picture->address.mid(picHost.size());
    if (path.endsWith(u"_1920x1080.jpg") && image.value(u"urlbase").toString() + QStringLiteral("_1920x1080.jpg") == path)
        return 0;
    FUZZ_CHECK(image.value(u"url").toString() == path);
    return 0;
}
