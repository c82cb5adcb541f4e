#include "commandline.h"

#include "commands/daily.h"
#include "retrieval/regiontable.h"

#include "platform/folders.h"
#include "platform/screens.h"
#include "platform/wallpaper.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QNetworkAccessManager>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using namespace std::chrono_literals;

// However long the desktop or the network takes, a run ends within this.
constexpr auto Deadline = 110s;

void say(const QString &line)
{
    const QString said =
            QCoreApplication::applicationName().toLower() + QStringLiteral(": ") + line;
    std::fputs(qPrintable(said + QLatin1Char('\n')), stderr);
}

void sayFailure(platform::Failure failure)
{
    say(QStringLiteral("%1: %2").arg(qint32(failure)).arg(platform::loadMessage(failure)));
}

// A run that is due wants the screens of the display it can reach, X11 or
// Wayland. A display that cannot be reached (one a former session left in
// the environment, say) must not end it: then the offscreen platform, which
// counts as none.
std::unique_ptr<QCoreApplication> application(int &argc, char *argv[])
{
    QByteArray platforms = qgetenv("QT_QPA_PLATFORM");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platforms.isEmpty() && !wayland && qEnvironmentVariableIsEmpty("DISPLAY"))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (platforms.isEmpty())
        platforms = wayland ? "wayland;xcb" : "xcb";
    qputenv("QT_QPA_PLATFORM", platforms + ";offscreen");
    QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.*.warning=false"));
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

bool isCommandLine(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        for (const char *ours :
             { "--set-wallpaper", "--region", "--help", "-h", "--version", "-v" }) {
            if (argument == ours || (argument.startsWith(ours) && argument[qstrlen(ours)] == '='))
                return true;
        }
    }
    return false;
}

int runCommandLine(int argc, char *argv[])
{
    QStringList arguments, markets;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    for (const retrieval::Region &region : retrieval::RegionTable)
        markets.append(QLatin1String(region.market));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Shows the search engine's picture of the day; run without arguments for its window."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption setWallpaper(
            QStringLiteral("set-wallpaper"),
            QStringLiteral("Make the newest picture of the day the desktop wallpaper, if it is not "
                           "yet, and end."));
    const QCommandLineOption region(QStringLiteral("region"),
                                    QStringLiteral("The market whose picture to take: %1. Without "
                                                   "it, the daily change's, else zh-CN.")
                                            .arg(markets.join(QStringLiteral(", "))),
                                    QStringLiteral("MARKET"));
    parser.addOptions({ setWallpaper, region });
    QString wrong;
    if (!parser.parse(arguments))
        wrong = parser.errorText();
    else if (parser.isSet(QStringLiteral("help")))
        parser.showHelp();
    else if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    else if (!parser.positionalArguments().isEmpty())
        wrong = QStringLiteral("Unexpected argument '%1'.")
                        .arg(parser.positionalArguments().constFirst());
    else if (!parser.isSet(setWallpaper))
        wrong = QStringLiteral("--region goes with --set-wallpaper.");
    else if (parser.isSet(region) && !retrieval::isMarket(parser.value(region)))
        wrong = QStringLiteral("Unknown market '%1': one of %2.")
                        .arg(parser.value(region), markets.join(QStringLiteral(", ")));
    if (!wrong.isEmpty()) {
        say(wrong);
        return 2;
    }

    // Before the picture is due: no request, no display, and done at once,
    // unless the desktop has yet to keep the picture it was handed.
    const QString folder = platform::wallpaperFolder();
    const commands::DailyRecord record =
            commands::readDailyRecord(commands::dailyRecordPath(folder));
    const QString market = commands::dailyMarket(parser.value(region), record);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const bool due = commands::dailyStep(record, market, now) != commands::DailyStep::Wait;
    if (!due && !platform::wallpaperUnfinished(folder))
        return 0;

    std::thread([] {
        std::this_thread::sleep_for(Deadline);
        sayFailure(platform::Failure::TimedOut);
        std::_Exit(1);
    }).detach();
    const std::unique_ptr<QCoreApplication> running = application(argc, argv);
    const auto end = [](platform::Failure failure) {
        if (failure != platform::Failure::None)
            sayFailure(failure);
        QCoreApplication::exit(failure == platform::Failure::None           ? 0
                                       : commands::wantsConnection(failure) ? 75
                                                                            : 1);
    };
    if (!due) {
        platform::finishWallpaper(folder, [end](bool finished) {
            end(finished ? platform::Failure::None : platform::Failure::DeviceUnavailable);
        });
        return running->exec();
    }
    const QSize screen = platform::largestScreen();
    QNetworkAccessManager network;
    const std::unique_ptr<platform::Wallpaper> wallpaper = platform::desktopWallpaper();
    commands::DailyWallpaper daily(network, *wallpaper, folder, platform::keptFolder());
    QObject::connect(&daily, &commands::DailyWallpaper::finished, end);
    // Without a display, the screen the window saw last.
    daily.start(market, screen.isEmpty() ? record.screen : screen);
    return running->exec();
}
