#include "picture.h"

#include "http.h"
#include "worker.h"

#include <QBuffer>
#include <QImageReader>

namespace platform {

bool writeBitmap(const QImage &picture, QIODevice &file)
{
    // The header: "BM", the file's size, where the rows start; then the
    // picture's size, one plane, 24 bits, no compression. Rows go bottom up,
    // blue, green, red, each padded to four bytes.
    const qsizetype row = (qsizetype(picture.width()) * 3 + 3) / 4 * 4,
                    rows = row * picture.height();
    QByteArray header(54, '\0');
    const auto put = [&header](int at, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header[at + i] = char(value >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put(2, quint32(54 + rows), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, quint32(picture.width()), 4);
    put(22, quint32(picture.height()), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, quint32(rows), 4);
    if (picture.isNull() || file.write(header) != header.size())
        return false;
    const bool rgb888 = picture.format() == QImage::Format_RGB888;
    QByteArray line(row, '\0');
    for (int y = picture.height() - 1; y >= 0; --y) {
        const QImage converted = rgb888
                ? QImage()
                : picture.copy(0, y, picture.width(), 1).convertToFormat(QImage::Format_RGB888);
        const uchar *rgb = rgb888 ? picture.constScanLine(y) : converted.constScanLine(0);
        for (int x = 0; x < picture.width(); ++x) {
            line[3 * x] = char(rgb[3 * x + 2]);
            line[3 * x + 1] = char(rgb[3 * x + 1]);
            line[3 * x + 2] = char(rgb[3 * x]);
        }
        if (file.write(line) != row)
            return false;
    }
    return true;
}

QImage decodePicture(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    return reader.read();
}

void decodeOnWorker(const QByteArray &bytes, QObject *context, Decode decode,
                    std::function<void(const FetchedPicture &fetched)> done)
{
    onWorkerThread<FetchedPicture>(
            context,
            [bytes, decode] {
                const QImage picture = decode(bytes);
                return FetchedPicture{ picture, bytes,
                                       picture.isNull() ? Failure::InvalidPicture : Failure::None };
            },
            done);
}

void fetchPicture(QNetworkAccessManager &network, const QString &address, QObject *context,
                  Decode decode, std::function<void(const FetchedPicture &fetched)> done)
{
    auto *get = new HttpGet(network, QUrl(address), HttpGet::Body::Keep, MaxPictureBytes, context);
    QObject::connect(get, &HttpGet::finished, context, [get, context, decode, done] {
        get->deleteLater();
        if (get->result().isDocument())
            decodeOnWorker(get->result().body, context, decode, done);
        else
            done({ {}, {}, Failure::FileNotFound });
    });
}

} // namespace platform
