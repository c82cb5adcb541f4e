// Feeds arbitrary bytes, read as UTF-8 and as Latin-1, to the locator that
// finds the picture's path in a home page, and checks what it promises.

#include "check.h"
#include "retrieval/piclocator.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void checkPage(const QString &page)
{
    const std::optional<QString> path = retrieval::FindPicPath(page);
    const bool hasMarker = page.contains(u"g_img={url:");

    // No marker anywhere: an empty path, never a failure.
    if (!hasMarker) {
        FUZZ_CHECK(path.has_value());
        FUZZ_CHECK(path->isEmpty());
        return;
    }
    if (!path)
        return; // the marker line has no ".jpg"

    // A found path is a piece of the page that ends in "jpg".
    FUZZ_CHECK(!path->isEmpty());
    FUZZ_CHECK(path->endsWith(u"jpg"));
    FUZZ_CHECK(page.contains(*path));
    // ... and it never runs past the end of the marker's line.
    FUZZ_CHECK(!path->contains(u"\r\n"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    const auto length = static_cast<qsizetype>(size);
    checkPage(QString::fromUtf8(bytes, length));
    checkPage(QString::fromLatin1(bytes, length));
    return 0;
}
