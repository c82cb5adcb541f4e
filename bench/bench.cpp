// Measures Tavelo against a server on 127.0.0.1 serving a 1920 x 1080 JPEG:
// launch to picture on screen next to a floor measured in the same run (a
// bare window that fetches, decodes and draws the same picture), the longest
// pause of the event loop during a load, peak memory next to a bare Qt
// window's, the picture locator on a 10 MiB page, and the daily change's
// runs. Every figure is the median of several runs of fresh processes.
//
//   tavelo_bench [RUNS]
#include "app/fit.h"
#include "app/form1.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "commands/daily.h"
#include "platform/picture.h"
#include "retrieval/kept.h"
#include "retrieval/piclocator.h"
#include "retrieval/regiontable.h"

#include "window.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <ctime>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The monotonic clock, which parent and child processes share.
qint64 nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The peak resident memory of this process, in KiB (0 where unknown).
qint64 peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A photograph-like picture of any size, as a JPEG.
QByteArray photograph(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    quint32 grain = 7;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            grain = grain * 1664525u + 1013904223u;
            const int n = int(grain >> 28) - 8;
            line[x] = qRgb(60 + y * 120 / height + n, 100 + x * 100 / width + n,
                           200 - y * 100 / height + n);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", 90);
    return bytes;
}

// Fires once, when the widget has painted with the given condition true.
class PaintWatch : public QObject
{
public:
    PaintWatch(QWidget *widget, std::function<bool()> ready, std::function<void()> done)
        : m_ready(std::move(ready)), m_done(std::move(done))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_done && m_ready()) {
            auto done = std::exchange(m_done, nullptr);
            QTimer::singleShot(0, done); // after this paint has been done
        }
        return false;
    }

private:
    std::function<bool()> m_ready;
    std::function<void()> m_done;
};

// Child: the real window; prints ms from spawn to the picture on screen, the
// longest event-loop pause while loading, and peak memory. With kept, the
// pictures kept there are read as the window reads them; then with browse,
// it goes back through them, and prints instead the median from a press of
// "前一天" to a kept picture on screen.
int launchChild(int argc, char *argv[], qint64 spawnedNs, const QString &folder,
                const QString &kept, bool browse)
{
    QApplication app(argc, argv);
    FakeDialogs dialogs;
    FakeClock clock;
    FakeWallpaper wallpaper;
    Form1 form(platform::Services{ dialogs, clock, wallpaper, folder, kept });

    qint64 lastBeat = nowNs(), longestPause = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = nowNs();
        longestPause = std::max(longestPause, now - lastBeat);
        lastBeat = now;
    });

    auto *image = form.findChild<QLabel *>(QStringLiteral("Image1"));
    auto *older = form.findChild<QAction *>(QStringLiteral("Command4"));
    // Browsing: "前一天" pressed once the picture before it is on screen; the
    // first press reaches the kept pictures, the ten after it are measured.
    QList<double> presses;
    std::unique_ptr<PaintWatch> shown;
    std::function<void()> press = [&] {
        const qint64 key = image->pixmap().cacheKey(), pressed = nowNs();
        const auto changed = [image, key] { return image->pixmap().cacheKey() != key; };
        shown = std::make_unique<PaintWatch>(image, changed, [&, pressed] {
            presses << (nowNs() - pressed) / 1e6;
            if (presses.size() < 11) {
                press();
                return;
            }
            presses.removeFirst();
            std::printf("%.2f 0 0\n", median(presses));
            QApplication::exit(0);
        });
        older->trigger();
    };
    PaintWatch watch(
            image, [image] { return !image->pixmap().isNull(); },
            [&] {
                const double launchMs = (nowNs() - spawnedNs) / 1e6;
                if (!dialogs.messages.isEmpty())
                    qFatal("unexpected message: %s", qPrintable(dialogs.messages[0].text));
                if (browse) {
                    press();
                    return;
                }
                std::printf("%.2f %.2f %lld\n", launchMs, longestPause / 1e6, peakMemoryKiB());
                QApplication::exit(0);
            });
    form.Form_Load();
    lastBeat = nowNs();
    heartbeat.start(1);
    return app.exec();
}

// Child: the floor. A bare window's first paint, then the page and the
// picture fetched as the program does (the picture twice), one decode, and
// the picture drawn at the size the program shows it at, in a label that
// takes that size: what any program that shows the picture has to do.
int floorChild(int argc, char *argv[], qint64 spawnedNs)
{
    QApplication app(argc, argv);
    QWidget bare;
    bare.resize(1257, 580);
    auto *label = new QLabel(&bare);
    label->move(0, 32);
    double paintMs = 0;
    qint64 bareKiB = 0;
    QNetworkAccessManager network;
    const QUrl page(retrieval::regionAddress(0));
    const QUrl picture(retrieval::PicHost() + QStringLiteral("/picture.jpg"));

    PaintWatch shown(
            label, [label] { return !label->pixmap().isNull(); },
            [&] {
                std::printf("%.2f %.2f %lld\n", (nowNs() - spawnedNs) / 1e6, paintMs, bareKiB);
                QApplication::exit(0);
            });
    PaintWatch watch(
            &bare, [] { return true; },
            [&] {
                paintMs = (nowNs() - spawnedNs) / 1e6;
                bareKiB = peakMemoryKiB();
                QNetworkReply *pageReply = network.get(QNetworkRequest(page));
                QObject::connect(pageReply, &QNetworkReply::finished, [&, pageReply] {
                    pageReply->readAll();
                    QNetworkReply *first = network.get(QNetworkRequest(picture));
                    QNetworkReply *second = network.get(QNetworkRequest(picture));
                    auto remaining = std::make_shared<int>(2);
                    for (QNetworkReply *reply : { first, second }) {
                        QObject::connect(reply, &QNetworkReply::finished, [&, reply, remaining] {
                            const QByteArray bytes = reply->readAll();
                            if (--*remaining > 0)
                                return;
                            QImage image = platform::decodePicture(bytes);
                            const qreal ratio = bare.devicePixelRatioF();
                            const QSize own = (QSizeF(image.size()) / ratio).toSize();
                            const QSize frame = bare.frameGeometry().size() - bare.size();
                            const QSize size =
                                    shownSize(own, bare.screen()->availableSize(), frame, 67);
                            if (size != own)
                                image = image.scaled((QSizeF(size) * ratio).toSize(),
                                                     Qt::KeepAspectRatio, Qt::SmoothTransformation);
                            image.setDevicePixelRatio(ratio);
                            label->setPixmap(QPixmap::fromImage(image));
                            label->resize(size);
                            bare.setFixedSize(std::max(size.width(), 1257), size.height() + 67);
                        });
                    }
                });
            });
    bare.show();
    return app.exec();
}

// Runs this program again in the given mode; gives its numbers.
QList<double> runChild(const QString &mode, const QString &folder, const QStringList &more = {})
{
    QProcess child;
    QEventLoop wait;
    QObject::connect(&child, &QProcess::finished, &wait, &QEventLoop::quit);
    const qint64 spawned = nowNs();
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{ mode, QString::number(spawned), folder } + more);
    wait.exec();
    QList<double> numbers;
    for (const QByteArray &field : child.readAllStandardOutput().trimmed().split(' '))
        numbers.append(field.toDouble());
    if (child.exitCode() != 0 || numbers.size() != 3) {
        std::fputs(child.readAllStandardError().constData(), stderr);
        qFatal("benchmark child %s failed", qPrintable(mode));
    }
    return numbers;
}

// The daily change as the timer runs it: the real program, with GNOME's
// settings in a file of its own, against the server. Wall time of each run,
// and its peak memory (the largest of the runs so far: the children's
// maximum resident size).
void dailyBench(int runs, TestServer &server)
{
    QTemporaryDir home;
    const QString data = home.filePath("data/Tavelo"),
                  record = data + QStringLiteral("/daily.json");
    QDir().mkpath(data);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
    environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
    // No display: the screen is the one the record notes.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));

    const QByteArray since = QDateTime::currentDateTimeUtc()
                                     .addSecs(-3600)
                                     .toString(QStringLiteral("yyyyMMddHHmm"))
                                     .toLatin1();
    server.serve(
            "/HPImageArchive.aspx?format=js&idx=0&n=1&mbl=1&mkt=zh-CN",
            TestServer::Response{ 200,
                                  R"({"images":[{"urlbase":"/th?id=OHR.Bench","fullstartdate":")"
                                          + since + R"("}]})" });
    const QByteArray standard = photograph(1920, 1080), original = photograph(7000, 4000);
    server.serve("/th?id=OHR.Bench_1920x1080.jpg", standard);
    server.serve("/th?id=OHR.Bench_UHD.jpg", original);

    // Each run through a small process of this program's that only starts it
    // and waits (--measure), so that no memory of this one counts as its.
    QList<double> peaks;
    const auto timed = [&](const commands::DailyRecord &before) {
        QDir(data).removeRecursively();
        QDir().mkpath(data);
        if (!before.market.isEmpty()
            && commands::writeDailyRecord(record, before) != platform::Failure::None)
            qFatal("cannot write the record");
        QProcess measure;
        measure.setProcessEnvironment(environment);
        QEventLoop wait;
        QObject::connect(&measure, &QProcess::finished, &wait, &QEventLoop::quit);
        measure.start(QCoreApplication::applicationFilePath(),
                      { QStringLiteral("--measure"), QStringLiteral(TAVELO_PROGRAM),
                        QStringLiteral("--set-wallpaper") });
        wait.exec();
        const QList<QByteArray> numbers = measure.readAllStandardOutput().trimmed().split(' ');
        if (measure.exitCode() != 0 || numbers.size() != 2)
            qFatal("tavelo --set-wallpaper failed: %s", measure.readAllStandardError().constData());
        peaks << numbers[1].toDouble() / 1024;
        return numbers[0].toDouble();
    };
    const auto peakMiB = [&peaks] { return median(std::exchange(peaks, {})); };
    QList<double> waiting, set, large, transfers;
    const qsizetype asked = server.requests.size();
    const QString picture = server.origin() + QStringLiteral("/th?id=OHR.Bench_1920x1080.jpg");
    for (int run = 0; run < runs; ++run)
        waiting << timed({ QStringLiteral("zh-CN"),
                           picture,
                           QDateTime::currentDateTimeUtc().addDays(1),
                           {} });
    const qsizetype waitingRequests = server.requests.size() - asked;
    const double waitingPeak = peakMiB();
    for (int run = 0; run < runs; ++run)
        set << timed({});
    const double setPeak = peakMiB();
    for (int run = 0; run < runs; ++run)
        large << timed({ QStringLiteral("zh-CN"), {}, {}, { 3840, 2160 } });
    // What the large run's two requests take by themselves.
    QNetworkAccessManager network;
    for (int run = 0; run < runs; ++run) {
        const qint64 started = nowNs();
        for (const char *path : { "/HPImageArchive.aspx?format=js&idx=0&n=1&mbl=1&mkt=zh-CN",
                                  "/th?id=OHR.Bench_UHD.jpg" }) {
            QNetworkReply *reply = network.get(QNetworkRequest(QUrl(server.origin() + path)));
            QEventLoop wait;
            QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
            wait.exec();
            reply->readAll();
            reply->deleteLater();
        }
        transfers << (nowNs() - started) / 1e6;
    }
    std::printf("daily run, nothing due       %8.1f ms   requests %lld (targets 20 ms, 0)   peak "
                "memory %6.1f MiB\n",
                median(waiting), qint64(waitingRequests), waitingPeak);
    std::printf("daily run, 1920 x 1080       %8.1f ms   peak memory %6.1f MiB\n", median(set),
                setPeak);
    std::printf("daily run, 7000 x 4000 (%lld KiB) for a 3840 x 2160 screen  %8.1f ms, transfers "
                "%.1f ms, beyond them %+.1f ms; "
                "peak memory %6.1f MiB (target 60)\n",
                qint64(original.size() / 1024), median(large), median(transfers),
                median(large) - median(transfers), peakMiB());
}

} // namespace

// Starts a program, waits for it, and prints its wall time (ms) and peak
// resident memory (KiB), read from its own high-water mark every half
// millisecond (what the kernel counts for a child after the fact includes
// the parent's memory from before the program started); exits with its status.
int measure(char *argv[])
{
    const qint64 started = nowNs();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv);
        _exit(127);
    }
    const std::string status = "/proc/" + std::to_string(child) + "/status";
    long peak = 0;
    int exit = 0;
    while (waitpid(child, &exit, WNOHANG) == 0) {
        if (std::FILE *file = std::fopen(status.c_str(), "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, file)) {
                if (std::strncmp(line, "VmHWM:", 6) == 0)
                    peak = std::max(peak, std::atol(line + 6));
            }
            std::fclose(file);
        }
        usleep(500);
    }
    std::printf("%.2f %ld\n", (nowNs() - started) / 1e6, peak);
    return WIFEXITED(exit) ? WEXITSTATUS(exit) : 1;
}

int main(int argc, char *argv[])
{
    if (argc > 2 && qstrcmp(argv[1], "--measure") == 0)
        return measure(argv + 2);
    if (argc >= 4 && qstrcmp(argv[1], "--launch") == 0)
        return launchChild(argc, argv, QByteArray(argv[2]).toLongLong(),
                           QString::fromLocal8Bit(argv[3]),
                           argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString(), argc > 5);
    if (argc == 4 && qstrcmp(argv[1], "--floor") == 0)
        return floorChild(argc, argv, QByteArray(argv[2]).toLongLong());

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, QByteArray(argv[1]).toInt()) : 7;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    TestServer server;
    const QByteArray jpeg = photograph(1920, 1080);
    server.serve("/?mkt=zh-CN", TestServer::Response{ 200, homePage("/picture.jpg") });
    server.serve("/picture.jpg", jpeg);
    for (const char *variable : { "TAVELO_CN_HOST", "TAVELO_HK_HOST", "TAVELO_MAIN_HOST" })
        qputenv(variable, server.hostAndPort().toLatin1());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:"); // not the desktop's own
    QTemporaryDir folder;
    dailyBench(runs, server);

    std::printf("Tavelo benchmark: %d runs each, medians; picture 1920 x 1080, %lld KiB; %s\n",
                runs, qint64(jpeg.size() / 1024), qgetenv("QT_QPA_PLATFORM").constData());
    // A year kept: a picture a day of zh-CN, the first days' as large as the
    // service's, the rest small, and the index of them all.
    QTemporaryDir kept;
    const QByteArray small = photograph(64, 36);
    for (int day = 1; day <= 365; ++day) {
        const QString address =
                retrieval::PicHost() + QStringLiteral("/th?id=OHR.D%1_1920x1080.jpg").arg(day);
        const retrieval::ArchivePicture picture{
            address, {}, QStringLiteral("Kept"), QDate::currentDate().addDays(-day)
        };
        retrieval::keepPicture(kept.path(), QStringLiteral("zh-CN"), picture,
                               day <= 16 ? jpeg : small, QDate::currentDate());
    }
    QList<double> launch, pause, memory, floor, bareMemory, keptLaunch, keptPause, browse;
    for (int run = 0; run < runs; ++run) {
        const QList<double> f = runChild(QStringLiteral("--floor"), folder.path());
        const QList<double> l = runChild(QStringLiteral("--launch"), folder.path());
        const QList<double> k =
                runChild(QStringLiteral("--launch"), folder.path(), { kept.path() });
        floor << f[0];
        bareMemory << f[2] / 1024;
        launch << l[0];
        pause << l[1];
        memory << l[2] / 1024;
        keptLaunch << k[0];
        keptPause << k[1];
        browse << runChild(QStringLiteral("--launch"), folder.path(), { kept.path(), "browse" })[0];
    }
    QList<double> locator;

    // The locator on a 10 MiB page whose marker line comes last.
    QString page;
    page.reserve(10 << 20);
    while (page.size() < (10 << 20) - 100)
        page += QStringLiteral("<div class=\"x\">some text of the page, line after line</div>\r\n");
    page += QStringLiteral("var a=1;g_img={url:'/pics/lake_0412.jpg',id:'bg'};\r\n");
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto path = retrieval::FindPicPath(page);
        locator << timer.nsecsElapsed() / 1e6;
        if (!path || path->isEmpty())
            qFatal("locator found nothing");
    }

    const double floorMs = median(floor), launchMs = median(launch);
    std::printf("launch to picture on screen  %8.1f ms   floor %8.1f ms   over the floor %+7.1f ms "
                "(target +15 on xcb)\n",
                launchMs, floorMs, launchMs - floorMs);
    std::printf("longest event-loop pause     %8.1f ms   (target 16)\n", median(pause));
    std::printf("peak memory                  %8.1f MiB  bare Qt window %6.1f MiB   above it "
                "%+6.1f MiB (target +30)\n",
                median(memory), median(bareMemory), median(memory) - median(bareMemory));
    std::printf("locator on a 10 MiB page     %8.2f ms   (%.0f MiB/s)\n", median(locator),
                10.0 / (median(locator) / 1000));
    std::printf(
            "a year kept: launch          %8.1f ms   %+6.1f ms (target +5)   longest pause %.1f ms "
            "(target 16)\n",
            median(keptLaunch), median(keptLaunch) - launchMs, median(keptPause));
    std::printf("a kept day from its press    %8.1f ms   (target 50)\n", median(browse));
    return 0;
}
