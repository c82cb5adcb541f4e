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

    // The name is always the address's tail.
    FUZZ_CHECK(address.endsWith(name));
    FUZZ_CHECK(name.size() <= address.size());

    // Without an encoded slash it is the last piece: no separator left in it.
    if (!address.contains(u"%2f")) {
        for (const QChar separator : {u'/', u'?', u'=', u'&'})
            FUZZ_CHECK(!name.contains(separator));
    }
    return 0;
}
