#include "window.h"

#include "commands/daily.h"

#include <QBuffer>
#include <QCheckBox>
#include <QImageReader>
#include <QStandardPaths>
#include <QtDBus>

using commands::DailyRecord;
using commands::DailyStep;

namespace {

// The archive's answer for one picture, and the picture at 1920 x 1080.
void offer(TestServer &server, const QByteArray &market, const QByteArray &name, const QByteArray &since, Qt::GlobalColor colour = Qt::darkGreen)
{
    server.serve("/HPImageArchive.aspx?format=js&idx=0&n=1&mbl=1&mkt=" + market,
                 {200, R"({"images":[{"urlbase":"/th?id=OHR.)" + name + R"(","fullstartdate":")" + since + R"("}]})"});
    server.serve("/th?id=OHR." + name + "_1920x1080.jpg", makeJpeg(64, 48, colour));
}

// systemd's user manager, stood in for: it answers as the real one does, and
// remembers what it was asked.
class ManagerStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.systemd1.Manager")

public:
    QStringList calls;
    QString state = QStringLiteral("disabled");

public slots:
    QString GetUnitFileState(const QString &unit) { return calls << "GetUnitFileState " + unit, state; }
    void Reload() { calls << "Reload"; }
    bool EnableUnitFiles(const QStringList &units, bool, bool) { return calls << "EnableUnitFiles " + units.join(' '), true; }
    void DisableUnitFiles(const QStringList &units, bool) { calls << "DisableUnitFiles " + units.join(' '); }
    QDBusObjectPath StartUnit(const QString &unit, const QString &) { return calls << "StartUnit " + unit, QDBusObjectPath("/job/1"); }
    QDBusObjectPath StopUnit(const QString &unit, const QString &) { return calls << "StopUnit " + unit, QDBusObjectPath("/job/2"); }
    void CleanUnit(const QString &unit, const QStringList &what) { calls << "CleanUnit " + unit + ' ' + what.join(' '); }
};

} // namespace

// The daily change of the wallpaper: when a run asks and sets, the run with
// no window against the test server, two runs at once, and the box.
class TestDaily : public QObject
{
    Q_OBJECT

private slots:
    void step_data()
    {
        QTest::addColumn<DailyRecord>("record");
        QTest::addColumn<QString>("newest"); // the archive's newest picture; empty: not asked yet
        QTest::addColumn<DailyStep>("step");
        const QDateTime now = QDateTime::currentDateTimeUtc(), later = now.addSecs(60), earlier = now.addSecs(-60);
        QTest::newRow("not yet due: wait") << DailyRecord{"ja-JP", "/a.jpg", later, {}} << "" << DailyStep::Wait;
        QTest::newRow("due: ask") << DailyRecord{"ja-JP", "/a.jpg", earlier, {}} << "" << DailyStep::Ask;
        QTest::newRow("another market's: ask") << DailyRecord{"zh-CN", "/a.jpg", later, {}} << "" << DailyStep::Ask;
        QTest::newRow("the picture set last: up to date") << DailyRecord{"ja-JP", "/a.jpg", earlier, {}} << "/a.jpg" << DailyStep::UpToDate;
        QTest::newRow("a new picture: set") << DailyRecord{"ja-JP", "/a.jpg", earlier, {}} << "/b.jpg" << DailyStep::Set;
        QTest::newRow("that picture, another market's: set") << DailyRecord{"zh-CN", "/a.jpg", earlier, {}} << "/a.jpg" << DailyStep::Set;
    }

    void step()
    {
        QFETCH(DailyRecord, record);
        QFETCH(QString, newest);
        QFETCH(DailyStep, step);
        const retrieval::ArchivePicture picture{newest, {}, {}, {}, {}};
        QCOMPARE(commands::dailyStep(record, "ja-JP", QDateTime::currentDateTimeUtc(), newest.isEmpty() ? nullptr : &picture), step);
    }

    // tavelo --set-wallpaper: set, then up to date with no request, then a failure that keeps everything.
    void run()
    {
        TestServer server;
        QDateTime since = QDateTime::currentDateTimeUtc().addSecs(-3600);
        since.setTime(QTime(since.time().hour(), since.time().minute()));
        offer(server, "ja-JP", "Today", since.toString("yyyyMMddHHmm").toLatin1());
        QCOMPARE(tavelo({"--set-wallpaper", "--region", "ja-JP"}, server), 0);
        const QString settings = m_home.filePath("config/glib-2.0/settings/keyfile"), path = m_home.filePath("data/Tavelo/daily.json");
        const DailyRecord record = commands::readDailyRecord(path);
        QCOMPARE(record, (DailyRecord{"ja-JP", server.origin() + "/th?id=OHR.Today_1920x1080.jpg", since.addDays(1), {}}));
        QVERIFY(readFile(settings).contains("file://" + m_home.filePath("data/Tavelo/" + bitmaps()).toUtf8()));
        QCOMPARE(tavelo({"--set-wallpaper"}, server), 0); // the record's region, not due yet
        QCOMPARE(server.requests.size(), 2);

        QCOMPARE(commands::writeDailyRecord(path, {record.market, record.picture, QDateTime::currentDateTimeUtc(), {}}), platform::Failure::None);
        const QByteArray before = readFile(settings) + readFile(path) + bitmaps().toUtf8();
        server.stopListening();
        QByteArray said;
        QCOMPARE(tavelo({"--set-wallpaper", "--region", "ja-JP"}, server, &said), 1);
        QCOMPARE(said, "tavelo: -2146697211: 发生错误，此问题常发生在不能连接bing服务器。\n");
        QCOMPARE(readFile(settings) + readFile(path) + bitmaps().toUtf8(), before);
    }

    // On a screen larger than 1920 x 1080, the original at the size that
    // covers the screen; where there is none, the picture at 1920 x 1080.
    void largeScreen()
    {
        TestServer server;
        QImage original(4000, 3000, QImage::Format_RGB32);
        for (int i = 0; i < 4000 * 3000; ++i)
            original.setPixel(i % 4000, i / 4000, qRgb(i % 4000 * 255 / 3999, i / 4000 * 255 / 2999, 128));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && original.save(&buffer, "JPG", 95));
        offer(server, "fr-FR", "Big", "202612060000");
        server.serve("/th?id=OHR.Big_UHD.jpg", jpeg);
        offer(server, "en-GB", "Small", "202612060000");
        QVERIFY(QDir().mkpath(m_home.filePath("data/Tavelo")));
        QCOMPARE(commands::writeDailyRecord(m_home.filePath("data/Tavelo/daily.json"), {"fr-FR", {}, {}, {2400, 1300}}), platform::Failure::None);
        QCOMPARE(tavelo({"--set-wallpaper"}, server), 0);
        const QImage wallpaper(m_home.filePath("data/Tavelo/" + bitmaps()));
        QCOMPARE(wallpaper.size(), QSize(2400, 1800));
        for (const QPoint at : {QPoint(0, 0), QPoint(2399, 1799), QPoint(1000, 300), QPoint(2000, 1500)}) {
            const QRgb seen = wallpaper.pixel(at);
            QVERIFY(qAbs(qRed(seen) - at.x() * 255 / 2399) + qAbs(qGreen(seen) - at.y() * 255 / 1799) + qAbs(qBlue(seen) - 128) < 12);
        }
        QCOMPARE(tavelo({"--set-wallpaper", "--region", "en-GB"}, server), 0);
        QCOMPARE(QImageReader(m_home.filePath("data/Tavelo/" + bitmaps())).size(), QSize(64, 48));
    }

    // Two runs at once, on a desktop that takes its time: the bitmap handed over last is there, whole, and alone.
    void twoRunsAtOnce()
    {
        TestServer server;
        offer(server, "ja-JP", "One", "202612060000");
        offer(server, "de-DE", "Two", "202612060000", Qt::darkBlue);
        QVERIFY(QDir().mkpath(m_home.filePath("bin")));
        QVERIFY(writeFile(m_home.filePath("bin/pcmanfm-qt"), "#!/bin/sh\nsleep 0.5\nprintf %s \"${1#--set-wallpaper=}\" >\"$HOME/handed\"\n"));
        QFile(m_home.filePath("bin/pcmanfm-qt")).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QProcess one, two;
        start(one, {"--set-wallpaper", "--region", "ja-JP"}, server, true);
        start(two, {"--set-wallpaper", "--region", "de-DE"}, server, true);
        QTRY_VERIFY_WITH_TIMEOUT(one.state() == QProcess::NotRunning && two.state() == QProcess::NotRunning, Waiting);
        const QString handed = QString::fromUtf8(readFile(m_home.filePath("handed")));
        QCOMPARE(m_home.filePath("data/Tavelo/" + bitmaps()), handed);
        QVERIFY(one.exitCode() + two.exitCode() == 0 && !QImage(handed).isNull());
    }

    // The box, against a user manager stood in for on the test's own bus, or none: ticked, the schedule goes
    // on for the region on display and its picture is set at once, and a window started then shows it ticked;
    // unticked, every file it wrote goes.
    void box_data()
    {
        QTest::addColumn<bool>("manager");
        QTest::newRow("a user manager") << true;
        QTest::newRow("none: an autostart entry") << false;
    }

    void box()
    {
        QFETCH(bool, manager);
        ManagerStandIn standIn;
        QDBusConnection bus = QDBusConnection::connectToBus(m_bus.address, "manager");
        QVERIFY(!manager || (bus.registerObject("/org/freedesktop/systemd1", &standIn, QDBusConnection::ExportAllSlots)
                             && bus.registerService("org.freedesktop.systemd1")));
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        const QStringList files = manager ? QStringList{config + "/systemd/user/tavelo-daily.service", config + "/systemd/user/tavelo-daily.timer"}
                                          : QStringList{config + "/autostart/io.github.tavelo.Tavelo.Daily.desktop"};
        const auto written = [&files] { return std::ranges::count_if(files, [](const QString &file) { return QFile::exists(file); }); };
        Window window;
        offer(window.main, "zh-CN", "Today", "202612060000");
        window.start();
        WAIT_FOR_LOAD(window);
        const QString record = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/daily.json";
        QVERIFY(!window.child<QCheckBox>("Check1")->isChecked() && !QFile::exists(record));
        window.click("Check1");
        QTRY_COMPARE_WITH_TIMEOUT(commands::readDailyRecord(record).market + ' ' + commands::readDailyRecord(record).picture + QString::number(window.wallpaper.paths.size()),
                                  "zh-CN " + window.main.origin() + "/th?id=OHR.Today_1920x1080.jpg1", Waiting);
        QCOMPARE(written(), files.size());
        QVERIFY(readFile(files[0]).contains("=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\" --set-wallpaper\n"));
        standIn.state = "enabled";
        {
            Window again;
            again.start();
            QTRY_VERIFY(again.child<QCheckBox>("Check1")->isChecked());
        }
        window.click("Check1");
        QTRY_VERIFY(!QFile::exists(record));
        QCOMPARE(written(), 0);
        QCOMPARE(standIn.calls.join(", "), manager ? "GetUnitFileState tavelo-daily.timer, GetUnitFileState tavelo-daily.timer, Reload, "
                                                     "EnableUnitFiles tavelo-daily.timer, Reload, StartUnit tavelo-daily.timer, "
                                                     "GetUnitFileState tavelo-daily.timer, GetUnitFileState tavelo-daily.timer, "
                                                     "StopUnit tavelo-daily.timer, CleanUnit tavelo-daily.timer state, "
                                                     "DisableUnitFiles tavelo-daily.timer, Reload" : "");
        QDBusConnection::disconnectFromBus("manager");
    }

private:
    // Runs the program with no display, GNOME's settings in a file (or LXQt's pcmanfm-qt from bin/), the test server for the hosts.
    void start(QProcess &program, const QStringList &arguments, const TestServer &server, bool lxqt = false)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : {std::pair{"HOME", m_home.path()}, {"XDG_CONFIG_HOME", m_home.filePath("config")},
                                          {"XDG_DATA_HOME", m_home.filePath("data")}, {"XDG_CURRENT_DESKTOP", lxqt ? "LXQt" : QStringLiteral("GNOME")},
                                          {"GSETTINGS_BACKEND", QStringLiteral("keyfile")}, {"GSETTINGS_SCHEMA_DIR", QStringLiteral(TAVELO_SCHEMAS)},
                                          {"DBUS_SESSION_BUS_ADDRESS", QStringLiteral("disabled:")}, {"TAVELO_MAIN_HOST", server.hostAndPort()},
                                          {"PATH", m_home.filePath("bin") + ':' + qEnvironmentVariable("PATH")}})
            environment.insert(name, value);
        environment.remove("DISPLAY");
        program.setProcessEnvironment(environment);
        program.start(TAVELO_PROGRAM, arguments);
    }
    // Its exit status, and what it said; the server answers from this event loop.
    int tavelo(const QStringList &arguments, const TestServer &server, QByteArray *said = nullptr)
    {
        QProcess program;
        start(program, arguments, server);
        [&program] { QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, Waiting); }();
        if (said)
            *said = program.readAllStandardError();
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }
    QString bitmaps() const { return QDir(m_home.filePath("data/Tavelo")).entryList({"*.bmp"}, QDir::Files).join(' '); }

    QTemporaryDir m_home;
    PrivateBus m_bus; // before anything asks for the session bus
};

QTEST_MAIN(TestDaily)
#include "tst_daily.moc"
