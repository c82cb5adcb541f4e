#include "picturesave.h"

#include "platform/http.h"
#include "platform/picture.h"
#include "platform/wholefile.h"

#include <QUrl>

namespace commands {

void PictureSave::start(QNetworkAccessManager &network, const QString &address,
                        const QByteArray &document, const QString &path, QObject *parent,
                        std::function<void(platform::Failure failure)> done)
{
    if (!document.isEmpty()) {
        done(platform::replaceWhole(path, document));
        return;
    }
    auto *save = new PictureSave(parent);
    auto *get = new platform::HttpGet(network, QUrl(address), platform::HttpGet::Body::Keep,
                                      platform::MaxPictureBytes, save);
    connect(get, &platform::HttpGet::finished, save, [save, get, path, done] {
        const platform::HttpResult &download = get->result();
        save->deleteLater();
        done(download.isDocument() ? platform::replaceWhole(path, download.body)
                                   : platform::Failure::FileNotFound);
    });
}

} // namespace commands
