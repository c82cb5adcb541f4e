#include "commands/wallpaperpicture.h"

#include "platform/background.h"
#include "platform/http.h"
#include "platform/picture.h"

namespace commands {

using platform::Failure;

namespace {

using Done = std::function<void(const QImage &picture, Failure failure)>;

// Downloads a picture and decodes it with decode on a worker thread.
void fetchDecoded(QNetworkAccessManager &network, const QString &address, QObject *context,
                  std::function<QImage(const QByteArray &bytes)> decode, Done done)
{
    auto *get = new platform::HttpGet(network, QUrl(address), platform::HttpGet::Body::Keep, platform::MaxPictureBytes, context);
    QObject::connect(get, &platform::HttpGet::finished, context, [get, context, decode, done] {
        get->deleteLater();
        if (!get->result().isDocument()) {
            done({}, Failure::FileNotFound); // nothing arrived, whatever the reason
            return;
        }
        platform::inBackground<QImage>(
            context, [bytes = get->result().body, decode] { return decode(bytes); },
            [done](const QImage &picture) { done(picture, picture.isNull() ? Failure::InvalidPicture : Failure::None); });
    });
}

} // namespace

void fetchWallpaperPicture(QNetworkAccessManager &network, const retrieval::ArchivePicture &picture, QSize screen,
                           const QImage &standard, QObject *context, Done done)
{
    const auto atStandardSize = [&network, picture, standard, context, done] {
        if (standard.isNull())
            fetchDecoded(network, picture.address, context, platform::decodePicture, done);
        else
            done(standard, Failure::None);
    };
    if ((screen.width() <= 1920 && screen.height() <= 1080) || picture.fullSize.isEmpty()) {
        atStandardSize();
        return;
    }
    fetchDecoded(network, picture.fullSize, context,
                 [screen](const QByteArray &bytes) { return platform::decodeCovering(bytes, screen); },
                 [atStandardSize, done](const QImage &original, Failure failure) {
                     if (failure == Failure::None)
                         done(original, failure);
                     else
                         atStandardSize();
                 });
}

} // namespace commands
