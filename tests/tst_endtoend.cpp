#include "window.h"

#include <QBuffer>
#include <QImageReader>
#include <QRegularExpression>

#include <cmath>

namespace {

// A made-up landscape, to look at in the screenshots.
QByteArray landscape(int width, int height, QRgb sky)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, y > height * (0.65 + 0.12 * std::sin(x * 6.0 / width)) ? qRgb(40, 140, 50) : sky);
    }
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

// A person's session with the real program, in a real X server with a
// window manager that draws frames, acting only through the screen and the
// keyboard, against local servers standing in for the hosts.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X server: run it under tests/run-in-xvfb");
        m_windowManager.start("openbox", {"--sm-disable"});
        QTRY_VERIFY_WITH_TIMEOUT(run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"), Waiting);
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
    QString title() const { return run("xdotool", {"getwindowname", m_window}); }
    void key(const QString &keys) const { run("xdotool", {"key", "--clearmodifiers", keys}); }
    // Clicks the middle of a control, from its place in twips (at 96 DPI).
    void click(const QRect &twips) const
    {
        const QPoint middle = Twips().pixels(twips).center();
        run("xdotool", {"mousemove", "--window", m_window, QString::number(middle.x()), QString::number(middle.y()), "click", "1"});
    }
    // Kept under the build folder, so that people can see what the program showed.
    void screenshot(const QString &name) const { run("import", {"-window", "root", QStringLiteral(TAVELO_SHOTS "/%1.png").arg(name)}); }
    // The window's size, frame and all, and the width of its frame.
    QSize outerSize(int *frameWidth = nullptr) const
    {
        const QString info = run("xwininfo", {"-id", m_window});
        const auto number = [&info](const char *label) { return QRegularExpression(QString(label) + R"(:\s+(\d+))").match(info).captured(1).toInt(); };
        const auto frame = QRegularExpression(R"(= (\d+), (\d+), (\d+), (\d+))").match(run("xprop", {"-id", m_window, "_NET_FRAME_EXTENTS"}));
        const int width = frame.captured(1).toInt() + frame.captured(2).toInt();
        if (frameWidth)
            *frameWidth = width;
        return {number("Width") + width, number("Height") + frame.captured(3).toInt() + frame.captured(4).toInt()};
    }

    QProcess m_windowManager;
    QProcess m_tavelo;
    QString m_window;
};

void TestEndToEnd::aPersonsSession()
{
    // China names its picture the old way, a picture larger than the screen
    // (1366 x 768); Japan's page names none, so its pictures come from the
    // image archive: today's, and the day before's.
    TestServer cn, main;
    const QByteArray japan = landscape(1024, 576, qRgb(250, 170, 120)), before = landscape(1280, 600, qRgb(150, 120, 250));
    const QByteArray beforeAddress = "/th?id=OHR.Before_1920x1080.jpg";
    cn.serve("/?mkt=zh-CN", {200, homePage("/china.jpg"), "text/html", TestServer::Fault::Hold});
    main.serve("/china.jpg", landscape(1920, 1080, qRgb(120, 180, 250)));
    main.serve("/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=ja-JP",
               {200, R"({"images":[{"urlbase":"/th?id=OHR.Japan"},{"urlbase":"/th?id=OHR.Before","startdate":"20261205"}]})"});
    main.serve("/th?id=OHR.Japan_1920x1080.jpg", japan);
    main.serve(beforeAddress, before);

    // A copy of the program in a folder of its own, which becomes its program
    // folder, with a home of its own and a settings store in a file there.
    QTemporaryDir folder;
    QVERIFY(QFile::copy(TAVELO_PROGRAM, folder.filePath("tavelo")) && QDir().mkpath(TAVELO_SHOTS));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : {std::pair{"TAVELO_CN_HOST", cn.hostAndPort()}, {"TAVELO_MAIN_HOST", main.hostAndPort()},
                                      {"HOME", folder.path()}, {"XDG_CONFIG_HOME", folder.filePath("config")}, {"XDG_DATA_HOME", folder.filePath("data")},
                                      {"XDG_CACHE_HOME", folder.filePath("cache")}, {"XDG_CURRENT_DESKTOP", QStringLiteral("GNOME")},
                                      {"GSETTINGS_BACKEND", QStringLiteral("keyfile")}, {"GSETTINGS_SCHEMA_DIR", QStringLiteral(TAVELO_SCHEMAS)}})
        environment.insert(name, value);
    environment.remove("QT_QPA_PLATFORM");
    m_tavelo.setProcessEnvironment(environment);
    m_tavelo.start(folder.filePath("tavelo"));
    const QString pid = QString::number(m_tavelo.processId());

    // Start-up: the loading caption over an empty picture area, every control in the client area.
    QTRY_VERIFY_WITH_TIMEOUT(!(m_window = run("xdotool", {"search", "--onlyvisible", "--pid", pid, "--name", "图片加载中"})).isEmpty(), Waiting);
    int frame = 0;
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(&frame), QSize(Twips().pixels(layout::ControlsRight) + frame, 580), Waiting);
    screenshot("1-loading");

    // The first picture arrives, larger than the screen: the window shrinks
    // it to fit, as tall as the screen lets it be.
    QTRY_VERIFY_WITH_TIMEOUT(cn.requests.contains("/?mkt=zh-CN"), Waiting);
    cn.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(title(), caption(QDate::currentDate()), Waiting);
    QTRY_VERIFY_WITH_TIMEOUT(outerSize().height() > 700 && outerSize().height() <= 768, Waiting);
    screenshot("2-china");

    // "设置背景": the desktop's setting names a bitmap of the whole picture.
    click(layout::Command2);
    const auto bitmap = [&folder] { return folder.filePath("data/Tavelo/" + QDir(folder.filePath("data/Tavelo")).entryList({"*.bmp"}).join(' ')); };
    QTRY_VERIFY_WITH_TIMEOUT(readFile(folder.filePath("config/glib-2.0/settings/keyfile")).contains("file://" + bitmap().toUtf8()), Waiting);
    QCOMPARE(QImageReader(bitmap()).size(), QSize(1920, 1080));

    // "日本": the archive's picture; "前一天": the day before, with its date.
    click(layout::Option1[2]);
    QTRY_COMPARE_WITH_TIMEOUT(readFile(folder.filePath("temp.jpg")), japan, Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(title(), caption(QDate::currentDate()), Waiting);
    click(layout::Command4);
    QTRY_COMPARE_WITH_TIMEOUT(title(), caption(QDate(2026, 12, 5)), Waiting);
    QCOMPARE(readFile(folder.filePath("temp.jpg")), before);
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(), QSize(1280, 600 + 67), Waiting);
    screenshot("3-the-day-before");

    // "保存图片": the day on display, under a name typed into the desktop's own
    // dialog; the picture is slow to come, and the window is closed at once.
    // The save goes on, and the program ends once it is done.
    main.serve(beforeAddress, {200, before, "image/jpeg", TestServer::Fault::Hold});
    click(layout::Command1);
    QTRY_VERIFY_WITH_TIMEOUT(!QStringList({QString(), m_window}).contains(run("xdotool", {"getactivewindow"})), Waiting);
    key("ctrl+a");
    run("xdotool", {"type", "--delay", "20", folder.filePath("saved.jpg")});
    screenshot("4-save");
    key("Return");
    QTRY_COMPARE_WITH_TIMEOUT(run("xdotool", {"getactivewindow", "getwindowname"}), caption(QDate(2026, 12, 5)), Waiting);
    key("alt+F4");
    QTRY_VERIFY_WITH_TIMEOUT(run("xdotool", {"search", "--onlyvisible", "--pid", pid}).isEmpty(), Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(main.requests.count(beforeAddress), 3, Waiting);
    QCOMPARE(m_tavelo.state(), QProcess::Running); // the save is still under way
    main.releaseHeld(); // the servers answer from this event loop: wait in it
    QTRY_COMPARE_WITH_TIMEOUT(m_tavelo.state(), QProcess::NotRunning, Waiting);
    QVERIFY(m_tavelo.exitStatus() == QProcess::NormalExit && m_tavelo.exitCode() == 0);
    QCOMPARE(readFile(folder.filePath("saved.jpg")), before);
    QVERIFY(!QFile::exists(folder.filePath("temp.jpg")) && QFile::exists(bitmap())); // the wallpaper stays
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
