#include "picturesave.h"

#include "platform/http.h"

#include <QSaveFile>
#include <QUrl>

namespace commands {

void PictureSave::start(QNetworkAccessManager &network, const QString &address,
                        const QString &path, QObject *parent)
{
    auto *save = new PictureSave(parent);
    auto *get = new platform::HttpGet(network, QUrl(address), platform::HttpGet::Body::Keep,
                                      MaxPictureBytes, save);
    connect(get, &platform::HttpGet::finished, save, [save, get, path] {
        bool saved = false;
        const platform::HttpResult &download = get->result();
        if (download.isDocument()) {
            QSaveFile file(path);
            saved = file.open(QIODevice::WriteOnly)
                    && file.write(download.body) == download.body.size() && file.commit();
        }
        emit save->finished(saved);
        save->deleteLater();
    });
}

} // namespace commands
