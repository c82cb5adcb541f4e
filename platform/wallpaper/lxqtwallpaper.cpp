#include "platform/wallpaper/lxqtwallpaper.h"

#include <QProcess>

namespace platform::wallpaper {

void setLxqtWallpaper(const QString &bitmapPath, Wallpaper::Done done)
{
    auto *process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process,
                     [process, done](int exitCode, QProcess::ExitStatus status) {
                         process->deleteLater();
                         done(status == QProcess::NormalExit && exitCode == 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, done](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         process->deleteLater();
                         done(false);
                     });
    // Found through PATH; when it is missing nothing starts and nothing changes.
    process->start(QStringLiteral("pcmanfm-qt"), {QStringLiteral("--set-wallpaper=") + bitmapPath});
}

} // namespace platform::wallpaper
