// Feeds arbitrary bytes to the picture loader, as a downloaded or saved
// picture would reach it, and checks what it promises.

#include "check.h"
#include "platform/failure.h"
#include "platform/picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace {

// The program leaves Qt's allocation limit as it is, so the loader runs with
// Qt's own default here too, whatever the environment would set.
qint64 limitBytes = 0;

platform::Picture loadBytes(const QByteArray &bytes)
{
    return platform::decodePicture(bytes);
}

// Image format plugins that fail to load would make every input "no picture"
// and the run worthless: make sure the JPEG reader is there and works, on a
// picture written here.
void checkJpegReader()
{
    FUZZ_CHECK(QImageReader::supportedImageFormats().contains("jpeg"));

    QImage picture(24, 16, QImage::Format_RGB32);
    picture.fill(qRgb(200, 120, 40));
    QByteArray jpeg;
    QBuffer out(&jpeg);
    FUZZ_CHECK(out.open(QIODevice::WriteOnly));
    FUZZ_CHECK(picture.save(&out, "JPEG", 90));
    FUZZ_CHECK(jpeg.startsWith("\xFF\xD8\xFF"));

    const platform::Picture loaded = loadBytes(jpeg);
    FUZZ_CHECK(loaded.failure == 0);
    FUZZ_CHECK(!loaded.image.isNull());
    FUZZ_CHECK(loaded.image.size() == picture.size());

    // Cut short, it is no picture, or a picture of the same size with the
    // missing part filled in; never a failure of another kind.
    const platform::Picture cut = loadBytes(jpeg.first(jpeg.size() / 2));
    if (cut.failure == 0)
        FUZZ_CHECK(cut.image.size() == picture.size());
    else
        FUZZ_CHECK(cut.failure == platform::failure::InvalidPicture && cut.image.isNull());
}

// Qt's decoders are not built for the fuzzer, so it cannot see which paths an
// input takes through them; all it sees is this file and our loader. So that
// it still tells inputs apart and keeps those that reach new ground, give
// each outcome a branch of its own: the format the header claims, whether a
// picture came out, its pixel format, and the binary magnitude of its sides.
template <int N>
[[gnu::noinline]] void reached()
{
    asm volatile("" : : "r"(N));
}

template <int Base, int... I>
void branchOn(int value, std::integer_sequence<int, I...>)
{
    (void)((value == I ? (reached<Base + I>(), true) : false) || ...);
}

void tellOutcome(const QByteArray &bytes, const platform::Picture &loaded)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray claimed = QImageReader::imageFormat(&buffer);
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    branchOn<0>(int(formats.indexOf(claimed)), std::make_integer_sequence<int, 32>());

    if (loaded.image.isNull()) {
        reached<100>();
        return;
    }
    branchOn<200>(int(loaded.image.format()), std::make_integer_sequence<int, 40>());
    branchOn<300>(int(std::bit_width(unsigned(loaded.image.width()))),
                  std::make_integer_sequence<int, 32>());
    branchOn<400>(int(std::bit_width(unsigned(loaded.image.height()))),
                  std::make_integer_sequence<int, 32>());
}

// The decoders' complaints about broken input are expected by the thousand.
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qunsetenv("QT_IMAGEIO_MAXALLOC");
    qInstallMessageHandler(quiet);
    static QCoreApplication application(*argc, *argv);
    limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    checkJpegReader();
    std::fprintf(stderr, "fuzz_picture: formats %s, allocation limit %d MiB\n",
                 QImageReader::supportedImageFormats().join(' ').constData(),
                 QImageReader::allocationLimit());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const platform::Picture loaded = loadBytes(bytes);
    tellOutcome(bytes, loaded);

    if (loaded.image.isNull()) {
        FUZZ_CHECK(loaded.failure == platform::failure::InvalidPicture);
        return 0;
    }
    FUZZ_CHECK(loaded.failure == 0);
    FUZZ_CHECK(loaded.image.width() > 0 && loaded.image.height() > 0);
    // A picture past the allocation limit is no picture.
    FUZZ_CHECK(loaded.image.sizeInBytes() <= limitBytes);

    // Its corners can be read.
    const QImage &picture = loaded.image;
    const int right = picture.width() - 1;
    const int bottom = picture.height() - 1;
    const quint32 sum = picture.pixel(0, 0) + picture.pixel(right, 0) + picture.pixel(0, bottom)
                        + picture.pixel(right, bottom);
    // Opaque to the optimiser, so that the reads stay.
    asm volatile("" : : "r"(sum));
    return 0;
}
