#include "window.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>

namespace {

// A made-up landscape, to look at in the screenshots.
QByteArray landscape(int width, int height, QRgb sky)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(sky);
    QPainter(&picture).fillRect(0, height * 2 / 3, width, height, QColor(40, 140, 50));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", 90);
    return bytes;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

// A person's session with the real program, through the screen and keyboard only.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"),
                 "needs an X server: run it under tests/run-in-xvfb");
        m_windowManager.start("openbox", { "--sm-disable" });
        QTRY_VERIFY_WITH_TIMEOUT(
                run("xprop", { "-root", "_NET_SUPPORTING_WM_CHECK" }).contains("window id"),
                Waiting);
    }

    void cleanupTestCase()
    {
        m_tavelo.kill();
        m_tavelo.waitForFinished();
        m_windowManager.terminate();
        m_windowManager.waitForFinished();
    }

    void aPersonsSession();

private:
    QString title() const { return run("xdotool", { "getwindowname", m_window }); }
    void key(const QString &keys) const { run("xdotool", { "key", "--clearmodifiers", keys }); }
    // Clicks the middle of a control, from its place in twips (at 96 DPI).
    void click(const QRect &twips) const
    {
        const QPoint middle = Twips().pixels(twips).center();
        run("xdotool",
            { "mousemove", "--window", m_window, QString::number(middle.x()),
              QString::number(middle.y()), "click", "1" });
    }
    // Kept under the build folder, so that people can see what the program showed.
    void screenshot(const QString &name) const
    {
        run("import", { "-window", "root", QStringLiteral(TAVELO_SHOTS "/%1.png").arg(name) });
    }
    // The window's place on the screen, frame and all.
    QRect outside() const
    {
        const QString info = run("xwininfo", { "-id", m_window });
        const auto number = [&info](const char *label) {
            return QRegularExpression(QString(label) + R"(:\s+(-?\d+))")
                    .match(info)
                    .captured(1)
                    .toInt();
        };
        const auto extents =
                QRegularExpression(R"(= (\d+), (\d+), (\d+), (\d+))")
                        .match(run("xprop", { "-id", m_window, "_NET_FRAME_EXTENTS" }));
        const QMargins margins(extents.captured(1).toInt(), extents.captured(3).toInt(),
                               extents.captured(2).toInt(), extents.captured(4).toInt());
        const QRect client(number("Absolute upper-left X"), number("Absolute upper-left Y"),
                           number("Width"), number("Height"));
        return client.marginsAdded(margins);
    }

    QProcess m_windowManager;
    QProcess m_tavelo;
    QString m_window;
};

void TestEndToEnd::aPersonsSession()
{
    // China's page names a picture larger than the screen (1024 x 768);
    // Japan's names none: its pictures, today's and the day before's, come
    // from the archive.
    TestServer cn, main;
    const QByteArray japan = landscape(800, 450, qRgb(250, 170, 120));
    const QByteArray before = landscape(1000, 500, qRgb(150, 120, 250));
    const QByteArray beforeAddress = "/th?id=OHR.Before_1920x1080.jpg";
    cn.serve("/?mkt=zh-CN", { 200, homePage("/china.jpg"), "text/html", TestServer::Fault::Hold });
    main.serve("/china.jpg", landscape(1920, 1080, qRgb(120, 180, 250)));
    const QByteArray days =
            R"({"images":[{"urlbase":"/th?id=OHR.Japan","fullstartdate":"202612061500"},)"
            R"({"urlbase":"/th?id=OHR.Before","startdate":"20261205"}]})";
    main.serve("/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=ja-JP", { 200, days });
    main.serve("/HPImageArchive.aspx?format=js&idx=0&n=1&mbl=1&mkt=ja-JP", { 200, days });
    main.serve("/th?id=OHR.Japan_1920x1080.jpg", japan);
    main.serve(beforeAddress, before);

    // The program copied to a folder of its own, a home and settings store there.
    QTemporaryDir folder;
    QVERIFY(QFile::copy(TAVELO_PROGRAM, folder.filePath("tavelo")));
    QVERIFY(QDir().mkpath(TAVELO_SHOTS));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : { std::pair{ "TAVELO_CN_HOST", cn.hostAndPort() },
                                       { "TAVELO_MAIN_HOST", main.hostAndPort() },
                                       { "HOME", folder.path() },
                                       { "XDG_CONFIG_HOME", folder.filePath("config") },
                                       { "XDG_DATA_HOME", folder.filePath("data") },
                                       { "XDG_CACHE_HOME", folder.filePath("cache") },
                                       { "XDG_CURRENT_DESKTOP", QStringLiteral("GNOME") },
                                       { "GSETTINGS_BACKEND", QStringLiteral("keyfile") },
                                       { "GSETTINGS_SCHEMA_DIR", QStringLiteral(TAVELO_SCHEMAS) } })
        environment.insert(name, value);
    environment.remove("QT_QPA_PLATFORM");
    m_tavelo.setProcessEnvironment(environment);
    m_tavelo.start(folder.filePath("tavelo"));
    const QString pid = QString::number(m_tavelo.processId());

    // The loading caption over the empty picture area of the design size.
    const auto found = [this, &pid] {
        const QStringList search = { "search", "--onlyvisible", "--pid", pid, "--name" };
        m_window = run("xdotool", search + QStringList{ "图片加载中" });
        return !m_window.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(found(), Waiting);
    const QSize design(Twips().pixels(14655), Twips().pixels(7695) + Twips().pixels(1000));
    QTRY_COMPARE_WITH_TIMEOUT(outside().size(), design, Waiting);
    screenshot("1-loading");

    // The first picture, shrunk to fit: the window within the screen.
    QTRY_VERIFY_WITH_TIMEOUT(cn.requests.contains("/?mkt=zh-CN"), Waiting);
    cn.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(title(), caption(QDate::currentDate()), Waiting);
    QTRY_VERIFY_WITH_TIMEOUT(outside().width() > 1000, Waiting);
    QVERIFY(QRect(0, 0, 1024, 768).contains(outside()));
    screenshot("2-china");

    // "设置背景": the desktop's setting names a bitmap of the whole picture.
    click(layout::Command2);
    const QString settings = folder.filePath("config/glib-2.0/settings/keyfile");
    const auto bitmap = [&folder] {
        const QDir wallpapers(folder.filePath("data/Tavelo"));
        return wallpapers.filePath(wallpapers.entryList({ "*.bmp" }).join(' '));
    };
    QTRY_VERIFY_WITH_TIMEOUT(readWhole(settings).contains("file://" + bitmap().toUtf8()), Waiting);
    QCOMPARE(QImageReader(bitmap()).size(), QSize(1920, 1080));

    // "日本", then its day before by the left arrow, and back and forth by keys.
    click(layout::Option1[2]);
    QTRY_COMPARE_WITH_TIMEOUT(readWhole(folder.filePath("temp.jpg")), japan, Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(title(), caption(QDate::currentDate()), Waiting);
    const int middle = Twips().pixels(480) + (outside().height() - Twips().pixels(1000)) / 2;
    run("xdotool",
        { "mousemove", "--window", m_window, "5", QString::number(middle), "click", "1" });
    QTRY_COMPARE_WITH_TIMEOUT(title(), caption(QDate(2026, 12, 5)), Waiting);
    QCOMPARE(readWhole(folder.filePath("temp.jpg")), before);
    QTRY_COMPARE_WITH_TIMEOUT(outside().size(), QSize(1000, 500 + 67), Waiting);
    screenshot("3-the-day-before");
    key("alt+Right");
    QTRY_COMPARE_WITH_TIMEOUT(title(), caption(QDate::currentDate()), Waiting);
    key("alt+Left");
    QTRY_COMPARE_WITH_TIMEOUT(title(), caption(QDate(2026, 12, 5)), Waiting);

    // The daily change, the menu's last item, by keys: an autostart entry
    // without a user manager, and Japan's newest the wallpaper at once.
    key("Menu");
    key("Up");
    key("Return");
    const QString entry = folder.filePath("config/autostart/io.github.tavelo.Tavelo.Daily.desktop");
    QTRY_VERIFY_WITH_TIMEOUT(readWhole(entry).contains(folder.filePath("tavelo").toUtf8()),
                             Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(QImageReader(bitmap()).size(), QSize(800, 450), Waiting);

    // "保存图片" of a slow picture, named in the desktop's dialog, and the window
    // closed at once: the save goes on, and the program ends after it.
    main.serve(beforeAddress, { 200, before, "image/jpeg", TestServer::Fault::Hold });
    click(layout::Command1);
    const auto dialogOpen = [this] {
        return !QStringList({ QString(), m_window })
                        .contains(run("xdotool", { "getactivewindow" }));
    };
    QTRY_VERIFY_WITH_TIMEOUT(dialogOpen(), Waiting);
    key("ctrl+a");
    run("xdotool", { "type", "--delay", "20", folder.filePath("saved.jpg") });
    screenshot("4-save");
    key("Return");
    QTRY_COMPARE_WITH_TIMEOUT(run("xdotool", { "getactivewindow", "getwindowname" }),
                              caption(QDate(2026, 12, 5)), Waiting);
    key("alt+F4");
    const auto windows = [&pid] {
        return run("xdotool", { "search", "--onlyvisible", "--pid", pid });
    };
    QTRY_VERIFY_WITH_TIMEOUT(windows().isEmpty(), Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(main.requests.count(beforeAddress), 3, Waiting);
    QCOMPARE(m_tavelo.state(), QProcess::Running); // the save is still under way
    main.releaseHeld(); // the servers answer from this event loop: wait in it
    QTRY_COMPARE_WITH_TIMEOUT(m_tavelo.state(), QProcess::NotRunning, Waiting);
    QCOMPARE(m_tavelo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_tavelo.exitCode(), 0);
    QCOMPARE(readWhole(folder.filePath("saved.jpg")), before);
    QVERIFY(!QFile::exists(folder.filePath("temp.jpg")));
    QVERIFY(QFile::exists(bitmap())); // the wallpaper stays
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
