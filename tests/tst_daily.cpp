#include "window.h"

#include "commands/daily.h"
#include "platform/picture.h"

#include <QBuffer>
#include <QCheckBox>
#include <QImageReader>
#include <QStandardPaths>
#include <QtDBus>

using commands::DailyRecord;
using commands::DailyStep;

namespace {

// The archive's answer for one picture, and the picture at 1920 x 1080.
void offer(TestServer &server, const QByteArray &market, const QByteArray &name, const QByteArray &since,
           Qt::GlobalColor colour = Qt::darkGreen)
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
    QString GetUnitFileState(const QString &unit) { return called("GetUnitFileState " + unit), state; }
    void Reload() { called("Reload"); }
    bool EnableUnitFiles(const QStringList &units, bool, bool) { return called("EnableUnitFiles " + units.join(' ')), true; }
    void DisableUnitFiles(const QStringList &units, bool) { called("DisableUnitFiles " + units.join(' ')); }
    QDBusObjectPath StartUnit(const QString &unit, const QString &) { return called("StartUnit " + unit), QDBusObjectPath("/job/1"); }
    QDBusObjectPath StopUnit(const QString &unit, const QString &) { return called("StopUnit " + unit), QDBusObjectPath("/job/2"); }

private:
    void called(const QString &call) { calls << call; }
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
        QTest::addColumn<QString>("market");
        QTest::addColumn<QString>("newest"); // the archive's newest picture; empty: not asked yet
        QTest::addColumn<DailyStep>("step");
        const QDateTime now = QDateTime::currentDateTimeUtc(), later = now.addSecs(60), earlier = now.addSecs(-60);
        QTest::newRow("nothing set yet: ask") << DailyRecord{} << "ja-JP" << "" << DailyStep::Ask;
        QTest::newRow("not yet due: wait") << DailyRecord{"ja-JP", "/a.jpg", later, {}} << "ja-JP" << "" << DailyStep::Wait;
        QTest::newRow("due: ask") << DailyRecord{"ja-JP", "/a.jpg", earlier, {}} << "ja-JP" << "" << DailyStep::Ask;
        QTest::newRow("another market: ask") << DailyRecord{"zh-CN", "/a.jpg", later, {}} << "ja-JP" << "" << DailyStep::Ask;
        QTest::newRow("the picture set last: up to date") << DailyRecord{"ja-JP", "/a.jpg", earlier, {}} << "ja-JP" << "/a.jpg" << DailyStep::UpToDate;
        QTest::newRow("a new picture: set") << DailyRecord{"ja-JP", "/a.jpg", earlier, {}} << "ja-JP" << "/b.jpg" << DailyStep::Set;
        QTest::newRow("that picture, another market's: set") << DailyRecord{"zh-CN", "/a.jpg", earlier, {}} << "ja-JP" << "/a.jpg" << DailyStep::Set;
    }

    void step()
    {
        QFETCH(DailyRecord, record);
        QFETCH(QString, market);
        QFETCH(QString, newest);
        QFETCH(DailyStep, step);
        retrieval::ArchivePicture picture{newest, {}, {}, {}, {}};
        QCOMPARE(commands::dailyStep(record, market, QDateTime::currentDateTimeUtc(), newest.isEmpty() ? nullptr : &picture), step);
    }

    // tavelo --set-wallpaper: set, then up to date with no request, then a
    // failure that keeps everything as it was.
    void run()
    {
        TestServer server;
        QDateTime since = QDateTime::currentDateTimeUtc().addSecs(-3600);
        since.setTime(QTime(since.time().hour(), since.time().minute()));
        offer(server, "ja-JP", "Today", since.toString("yyyyMMddHHmm").toLatin1());
        QCOMPARE(tavelo({"--set-wallpaper", "--region", "ja-JP"}, server), 0);
        const QStringList state = {m_home.filePath("config/glib-2.0/settings/keyfile"), m_home.filePath("data/Tavelo/daily.json")};
        const DailyRecord record = commands::readDailyRecord(state[1]);
        QCOMPARE(record.market + ' ' + record.picture, "ja-JP " + server.origin() + "/th?id=OHR.Today_1920x1080.jpg");
        QCOMPARE(record.due, since.addDays(1));
        QVERIFY(readFile(state[0]).contains("file://" + m_home.filePath("data/Tavelo/" + entries()).toUtf8()));
        QCOMPARE(server.requests.size(), 2);

        QCOMPARE(tavelo({"--set-wallpaper"}, server), 0); // the record's region, not due yet
        QCOMPARE(server.requests.size(), 2);

        DailyRecord due = record;
        due.due = QDateTime::currentDateTimeUtc().addSecs(-1);
        QCOMPARE(commands::writeDailyRecord(state[1], due), platform::Failure::None);
        const QByteArray before = readFile(state[0]) + readFile(state[1]);
        const QString bitmaps = entries();
        server.stopListening();
        QByteArray said;
        QCOMPARE(tavelo({"--set-wallpaper", "--region", "ja-JP"}, server, &said), 1);
        QCOMPARE(said, "tavelo: -2146697211: 发生错误，此问题常发生在不能连接bing服务器。\n");
        QCOMPARE(readFile(state[0]) + readFile(state[1]), before);
        QCOMPARE(entries(), bitmaps);
    }

    // On a screen larger than 1920 x 1080 the wallpaper is the original,
    // decoded to the size that covers the screen; where that does not
    // arrive, the picture at 1920 x 1080.
    void largeScreen()
    {
        TestServer server;
        QImage original(4000, 3000, QImage::Format_RGB32);
        for (int y = 0; y < original.height(); ++y) {
            for (int x = 0; x < original.width(); ++x)
                original.setPixel(x, y, qRgb(x * 255 / 3999, y * 255 / 2999, 128));
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && original.save(&buffer, "JPG", 95));
        offer(server, "fr-FR", "Big", "202612060000");
        server.serve("/th?id=OHR.Big_UHD.jpg", jpeg);
        offer(server, "en-GB", "Small", "202612060000");
        QVERIFY(QDir().mkpath(m_home.filePath("data/Tavelo")));
        QCOMPARE(commands::writeDailyRecord(m_home.filePath("data/Tavelo/daily.json"), {"fr-FR", {}, {}, {2400, 1300}}), platform::Failure::None);
        QCOMPARE(tavelo({"--set-wallpaper"}, server), 0);
        const QImage wallpaper(m_home.filePath("data/Tavelo/" + entries()));
        QCOMPARE(wallpaper.size(), QSize(2400, 1800));
        for (const QPoint at : {QPoint(0, 0), QPoint(2399, 1799), QPoint(1000, 300), QPoint(2000, 1500)}) {
            const QRgb seen = wallpaper.pixel(at), meant = qRgb(at.x() * 255 / 2399, at.y() * 255 / 1799, 128);
            QVERIFY2(qAbs(qRed(seen) - qRed(meant)) + qAbs(qGreen(seen) - qGreen(meant)) + qAbs(qBlue(seen) - qBlue(meant)) < 12,
                     qPrintable(QStringLiteral("%1 at %2,%3").arg(seen, 0, 16).arg(at.x()).arg(at.y())));
        }
        QCOMPARE(tavelo({"--set-wallpaper", "--region", "en-GB"}, server), 0);
        QCOMPARE(QImageReader(m_home.filePath("data/Tavelo/" + entries())).size(), QSize(64, 48));
    }

    // Two runs at once, on a desktop that takes its time: the bitmap handed
    // over last is there, whole, and alone.
    void twoRunsAtOnce()
    {
        TestServer server;
        offer(server, "ja-JP", "One", "202612060000");
        offer(server, "de-DE", "Two", "202612060000", Qt::darkBlue);
        QVERIFY(QDir().mkpath(m_home.filePath("bin")));
        QVERIFY(writeFile(m_home.filePath("bin/pcmanfm-qt"), "#!/bin/sh\nsleep 0.5\nprintf %s \"${1#--set-wallpaper=}\" >\"$HOME/handed\"\n"));
        QFile(m_home.filePath("bin/pcmanfm-qt")).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QProcess one, two;
        for (auto &[program, market] : {std::pair{&one, "ja-JP"}, {&two, "de-DE"}})
            start(*program, {"--set-wallpaper", "--region", market}, server, true);
        QTRY_VERIFY_WITH_TIMEOUT(one.state() == QProcess::NotRunning && two.state() == QProcess::NotRunning, Waiting);
        QCOMPARE(one.exitCode() + two.exitCode(), 0);
        const QString handed = QString::fromUtf8(readFile(m_home.filePath("handed")));
        QCOMPARE(m_home.filePath("data/Tavelo/" + entries()), handed);
        QVERIFY(!QImage(handed).isNull());
    }

    // The box, against systemd's user manager stood in for on the test's own
    // bus, or against none: ticked, the schedule goes on for the region on
    // display and its newest picture is set at once, and a window started
    // then shows it ticked; unticked, every file it wrote goes.
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
        Window window;
        offer(window.main, "zh-CN", "Today", "202612060000");
        window.start();
        WAIT_FOR_LOAD(window);
        const QString record = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/daily.json";
        QVERIFY(!window.child<QCheckBox>("Check1")->isChecked() && !QFile::exists(record));
        window.click("Check1");
        QTRY_COMPARE_WITH_TIMEOUT(window.wallpaper.paths.size(), 1, Waiting);
        QTRY_COMPARE(commands::readDailyRecord(record).picture, window.main.origin() + "/th?id=OHR.Today_1920x1080.jpg");
        QCOMPARE(commands::readDailyRecord(record).market, "zh-CN");
        QVERIFY(std::ranges::all_of(files, [](const QString &file) { return QFile::exists(file); }));
        QVERIFY(readFile(files[0]).contains("=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\" --set-wallpaper\n"));
        standIn.state = "enabled";
        {
            Window again;
            again.start();
            QTRY_VERIFY(again.child<QCheckBox>("Check1")->isChecked());
        }
        window.click("Check1");
        QTRY_VERIFY(!QFile::exists(record));
        QVERIFY(std::ranges::none_of(files, [](const QString &file) { return QFile::exists(file); }));
        QCOMPARE(standIn.calls.join(", "), manager ? "GetUnitFileState tavelo-daily.timer, GetUnitFileState tavelo-daily.timer, Reload, "
                                                     "EnableUnitFiles tavelo-daily.timer, Reload, StartUnit tavelo-daily.timer, "
                                                     "GetUnitFileState tavelo-daily.timer, GetUnitFileState tavelo-daily.timer, "
                                                     "StopUnit tavelo-daily.timer, DisableUnitFiles tavelo-daily.timer, Reload" : "");
        QDBusConnection::disconnectFromBus("manager");
    }

private:
    // Runs the program with no display, GNOME's settings in a file (or
    // LXQt's pcmanfm-qt from bin/), and the test server for the hosts.
    void start(QProcess &program, const QStringList &arguments, const TestServer &server, bool lxqt = false)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : {std::pair{"HOME", m_home.path()}, {"XDG_CONFIG_HOME", m_home.filePath("config")},
                                          {"XDG_DATA_HOME", m_home.filePath("data")}, {"XDG_CURRENT_DESKTOP", QStringLiteral("GNOME")},
                                          {"GSETTINGS_BACKEND", QStringLiteral("keyfile")}, {"GSETTINGS_SCHEMA_DIR", QStringLiteral(TAVELO_SCHEMAS)},
                                          {"DBUS_SESSION_BUS_ADDRESS", QStringLiteral("disabled:")}, {"TAVELO_MAIN_HOST", server.hostAndPort()}})
            environment.insert(name, value);
        if (lxqt) {
            environment.insert("XDG_CURRENT_DESKTOP", "LXQt");
            environment.insert("PATH", m_home.filePath("bin") + ':' + environment.value("PATH"));
        }
        environment.remove("DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
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
    QString entries() const { return QDir(m_home.filePath("data/Tavelo")).entryList({"*.bmp"}, QDir::Files).join(' '); }

    QTemporaryDir m_home;
    PrivateBus m_bus; // before anything asks for the session bus
};

QTEST_MAIN(TestDaily)
#include "tst_daily.moc"
