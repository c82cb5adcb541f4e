#include "picture.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <vector>

#ifdef TAVELO_HAVE_LIBJPEG
#  include <csetjmp>
#  include <cstdio> // jpeglib.h needs FILE
#  include <jpeglib.h>
#endif

namespace platform {

namespace {

QSize coveringSize(QSize picture, QSize screen)
{
    if (picture.isEmpty() || screen.isEmpty())
        return picture;
    const qint64 w = picture.width(), h = picture.height();
    // Whichever side of the screen the picture is relatively narrower in decides.
    const QSize size = w * screen.height() >= h * screen.width()
            ? QSize(int((w * screen.height() + h - 1) / h), screen.height())
            : QSize(screen.width(), int((h * screen.width() + w - 1) / w));
    return size.width() < picture.width() ? size : picture;
}

} // namespace

#ifdef TAVELO_HAVE_LIBJPEG

namespace {

struct ErrorJump
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jumpOut(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorJump *>(info->err)->jump, 1);
}

// Where each of n places falls between two of the source's m: the first and
// how far (in 256ths) toward the next, for a bilinear filter.
std::vector<std::pair<int, int>> samples(int n, int m)
{
    std::vector<std::pair<int, int>> places(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double at = std::clamp((i + 0.5) * m / n - 0.5, 0.0, m - 1.0);
        places[std::size_t(i)] = { int(at), int((at - int(at)) * 256) };
    }
    return places;
}

// What decoding makes, kept in the caller's frame: a libjpeg error jumps
// back into decodeInto(), whose own frame holds nothing with a destructor.
struct Decoded
{
    QImage result;
    std::vector<uchar> rows;
    std::vector<std::pair<int, int>> xs, ys;
};

bool decodeInto(const QByteArray &jpeg, QSize screen, Decoded &out)
{
    jpeg_decompress_struct info{};
    ErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jumpOut;
    error.manager.emit_message = [](j_common_ptr, int) {}; // warnings of damaged data
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(jpeg.constData()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    const QSize size = coveringSize(QSize(int(info.image_width), int(info.image_height)), screen);
    // libjpeg scales by eighths as it decodes: the smallest eighth that still covers.
    const auto covers = [&](unsigned eighths) {
        return (info.image_width * eighths + 7) / 8 >= unsigned(size.width())
                && (info.image_height * eighths + 7) / 8 >= unsigned(size.height());
    };
    info.scale_denom = 8;
    for (info.scale_num = 8; info.scale_num > 1 && covers(info.scale_num - 1);)
        --info.scale_num;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const int width = int(info.output_width), height = int(info.output_height);
    out.result = QImage(size, QImage::Format_RGB888);
    out.rows.assign(std::size_t(width) * 6, 0); // two rows of three bytes a pixel
    uchar *upper = out.rows.data(), *lower = upper + std::size_t(width) * 3;
    out.xs = samples(size.width(), width);
    out.ys = samples(size.height(), height);
    int read = 0; // rows read; upper holds row read - 2, lower row read - 1
    for (int y = 0; y < size.height(); ++y) {
        const auto [y0, fy] = out.ys[std::size_t(y)];
        while (read < std::min(y0 + 2, height)) {
            std::swap(upper, lower);
            jpeg_read_scanlines(&info, &lower, 1);
            ++read;
        }
        const uchar *top = read - 1 > y0 ? upper : lower, *bottom = lower;
        uchar *line = out.result.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            const auto [x0, fx] = out.xs[std::size_t(x)];
            const int x1 = std::min(x0 + 1, width - 1);
            for (int c = 0; c < 3; ++c) {
                const int t = top[x0 * 3 + c] * (256 - fx) + top[x1 * 3 + c] * fx;
                const int b = bottom[x0 * 3 + c] * (256 - fx) + bottom[x1 * 3 + c] * fx;
                line[x * 3 + c] = uchar((t * (256 - fy) + b * fy) >> 16);
            }
        }
    }
    jpeg_abort_decompress(&info); // rows past the last one needed stay unread
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

QImage decodeCovering(const QByteArray &jpeg, QSize screen)
{
    Decoded decoded;
    return decodeInto(jpeg, screen, decoded) ? decoded.result : QImage();
}

#else

// Without libjpeg, Qt decodes it, scaling by eighths as it goes and the rest after.
QImage decodeCovering(const QByteArray &jpeg, QSize screen)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setScaledSize(coveringSize(reader.size(), screen));
    return reader.read();
}

#endif

} // namespace platform
