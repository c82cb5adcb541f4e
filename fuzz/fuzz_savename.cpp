// Feeds arbitrary addresses to the Save As dialog's proposed file name and
// checks what it promises.

#include "check.h"
#include "commands/savename.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString address =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString name = commands::proposedSaveName(address);

    // The name is a piece of the address: its tail, or an archive
    // picture's id, which names a JPEG.
    FUZZ_CHECK(address.contains(name));
    if (!address.endsWith(name)) {
        FUZZ_CHECK(!address.contains(u"%2f"));
        FUZZ_CHECK(address.contains(QStringLiteral("id=") + name));
        FUZZ_CHECK(name.endsWith(u".jpg", Qt::CaseInsensitive));
    }

    // Without an encoded slash it holds no separator that could make it a
    // path; only an archive id may hold "?" or "=".
    if (!address.contains(u"%2f")) {
        FUZZ_CHECK(!name.contains(u'/') && !name.contains(u'&'));
        if (!name.endsWith(u".jpg", Qt::CaseInsensitive))
            FUZZ_CHECK(!name.contains(u'?') && !name.contains(u'='));
    }
    return 0;
}
