#include "picturesave.h"

#include "platform/http.h"
#include "platform/picturefile.h"
#include "platform/wholefile.h"

#include <QUrl>

namespace commands {

void PictureSave::start(QNetworkAccessManager &network, const QString &address,
                        const QString &path, QObject *parent)
{
    auto *save = new PictureSave(parent);
    auto *get = new platform::HttpGet(network, QUrl(address), platform::HttpGet::Body::Keep,
                                      platform::MaxPictureBytes, save);
    connect(get, &platform::HttpGet::finished, save, [save, get, path] {
        if (get->result().isDocument())
            platform::replaceWhole(path, get->result().body);
        save->deleteLater();
    });
}

} // namespace commands
