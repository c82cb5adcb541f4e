#include "commandline.h"

#include "commands/daily.h"
#include "retrieval/regiontable.h"

#include "platform/wallpaper.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QNetworkAccessManager>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(QCoreApplication::applicationName().toLower() + QStringLiteral(": ") + line + QLatin1Char('\n')), stderr);
}

} // namespace

int runCommandLine(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList markets;
    for (const retrieval::Region &region : retrieval::RegionTable)
        markets.append(QLatin1String(region.market));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the search engine's picture of the day; run without arguments for its window."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption setWallpaper(QStringLiteral("set-wallpaper"),
                                          QStringLiteral("Make the newest picture of the day the desktop wallpaper, if it is not yet, and end."));
    const QCommandLineOption region(QStringLiteral("region"),
                                    QStringLiteral("The market whose picture to take: %1. Without it, the daily change's, else zh-CN.")
                                        .arg(markets.join(QStringLiteral(", "))),
                                    QStringLiteral("MARKET"));
    parser.addOptions({setWallpaper, region});
    QString wrong;
    if (!parser.parse(application.arguments()))
        wrong = parser.errorText();
    else if (parser.isSet(QStringLiteral("help")))
        parser.showHelp();
    else if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    else if (!parser.positionalArguments().isEmpty())
        wrong = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    else if (!parser.isSet(setWallpaper))
        wrong = QStringLiteral("--region goes with --set-wallpaper.");
    else if (parser.isSet(region) && retrieval::regionOfMarket(parser.value(region)) < 0)
        wrong = QStringLiteral("Unknown market '%1': one of %2.").arg(parser.value(region), markets.join(QStringLiteral(", ")));
    if (!wrong.isEmpty()) {
        say(wrong);
        return 2;
    }

    // Before the picture is due: no request, and done at once.
    const QString folder = platform::wallpaperFolder();
    const commands::DailyRecord record = commands::readDailyRecord(commands::dailyRecordPath(folder));
    const QString market = commands::dailyMarket(parser.value(region), record);
    if (commands::dailyStep(record, market, QDateTime::currentDateTimeUtc()) == commands::DailyStep::Wait)
        return 0;

    QNetworkAccessManager network;
    const std::unique_ptr<platform::Wallpaper> wallpaper = platform::desktopWallpaper();
    commands::DailyWallpaper daily(network, *wallpaper, folder);
    QObject::connect(&daily, &commands::DailyWallpaper::finished, &application, [](platform::Failure failure) {
        if (failure != platform::Failure::None)
            say(QStringLiteral("%1: %2").arg(qint32(failure)).arg(platform::loadMessage(failure)));
        QCoreApplication::exit(failure == platform::Failure::None ? 0 : 1);
    });
    // Without a display the screen the window saw last.
    daily.start(market, record.screen);
    return application.exec();
}
