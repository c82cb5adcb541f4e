#include "testserver.h"
#include "testserver.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

constexpr int Waiting = 20000; // ms: a real program on a possibly busy machine
const QString Loading = QStringLiteral("图片加载中，请稍候...");
using Response = TestServer::Response;

// A picture of a made-up landscape, to look at in the screenshots.
QByteArray landscape(int width, int height, QRgb sky)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double hill = height * (0.65 + 0.12 * std::sin(x * 6.0 / width));
            const double t = double(y) / height;
            picture.setPixel(x, y, y > hill ? qRgb(40, 110 + int(60 * t), 50)
                                            : qRgb(int(qRed(sky) * (1 - t / 2)), int(qGreen(sky) * (1 - t / 3)), qBlue(sky)));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", 90);
    return bytes;
}

// Where a control's middle is, in window pixels, from its place in twips.
QPoint middle(int left, int top, int width, int height)
{
    return QPoint(qRound((left + width / 2.0) / 15), qRound((top + height / 2.0) / 15));
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        qWarning() << "no answer from" << program << arguments;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void key(const QString &keys)
{
    run("xdotool", {"key", "--clearmodifiers", keys});
}

} // namespace

// A person's whole session with the real program, in a real X server with a
// window manager that draws frames, acting only through the screen and the
// keyboard, against local servers standing in for the hosts.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs an X server: run it under tests/run-in-xvfb");
        m_windowManager.setProcessChannelMode(QProcess::ForwardedChannels);
        m_windowManager.start("openbox", {"--sm-disable"});
        QVERIFY(m_windowManager.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_windowManager.state() != QProcess::Running
                                     || run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"),
                                 Waiting);
        QVERIFY2(m_windowManager.state() == QProcess::Running, "the window manager quit");
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
    QString caption() const { return run("xdotool", {"getwindowname", m_window}); }
    QString activeCaption() const { return run("xdotool", {"getactivewindow", "getwindowname"}); }
    void click(QPoint point) const
    {
        run("xdotool", {"mousemove", "--window", m_window, QString::number(point.x()), QString::number(point.y()), "click", "1"});
    }
    // Kept under the build folder, so that people can see what the program showed.
    void screenshot(const QString &name) const
    {
        QDir().mkpath(TAVELO_SHOTS);
        run("import", {"-window", "root", QStringLiteral(TAVELO_SHOTS "/%1.png").arg(name)});
    }
    QSize outerSize() const { return outerRect().size(); }

    // Where the window lies on screen, frame and all.
    QRect outerRect() const
    {
        const QString info = run("xwininfo", {"-id", m_window});
        const auto number = [&info](const char *label) {
            return QRegularExpression(QString(label) + R"(:\s+(-?\d+))").match(info).captured(1).toInt();
        };
        const auto frame = QRegularExpression(R"(= (\d+), (\d+), (\d+), (\d+))") // left, right, top, bottom
                               .match(run("xprop", {"-id", m_window, "_NET_FRAME_EXTENTS"}));
        const auto extent = [&frame](int i) { return frame.captured(i).toInt(); };
        return QRect(number("Absolute upper-left X") - extent(1), number("Absolute upper-left Y") - extent(3),
                     number("Width") + extent(1) + extent(2), number("Height") + extent(3) + extent(4));
    }

    QProcess m_windowManager;
    QProcess m_tavelo;
    QString m_window;
};

void TestEndToEnd::aPersonsSession()
{
    // China names its picture the old way, a picture larger than the screen
    // (1366 x 768); Japan's page names none, so its picture comes from the
    // image archive.
    TestServer cn, hk, main;
    const QByteArray japan = landscape(1024, 576, qRgb(250, 170, 120));
    cn.serve("/?mkt=zh-CN", Response{200, homePage("/china.jpg"), "text/html", TestServer::Fault::Hold});
    main.serve("/china.jpg", landscape(1920, 1080, qRgb(120, 180, 250)));
    main.serve("/?mkt=ja-jp", Response{200, "<html>no picture named here</html>", "text/html", TestServer::Fault::Hold});
    main.serve("/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=ja-JP",
               Response{200, R"j({"images":[{"urlbase":"/th?id=OHR.Japan","copyright":"A lake in Japan (© Someone)"}]})j"});
    main.serve("/th?id=OHR.Japan_1920x1080.jpg", japan);

    // A copy of the program in a folder of its own, which becomes its program
    // folder, with a home of its own and a settings store in a file there.
    QTemporaryDir folder;
    const QString program = folder.filePath("tavelo");
    QVERIFY(QFile::copy(TAVELO_PROGRAM, program));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TAVELO_CN_HOST", cn.hostAndPort());
    environment.insert("TAVELO_HK_HOST", hk.hostAndPort());
    environment.insert("TAVELO_MAIN_HOST", main.hostAndPort());
    environment.insert("HOME", folder.path());
    environment.insert("XDG_CONFIG_HOME", folder.filePath("config"));
    environment.insert("XDG_DATA_HOME", folder.filePath("data"));
    environment.insert("XDG_CACHE_HOME", folder.filePath("cache"));
    environment.insert("XDG_CURRENT_DESKTOP", "GNOME");
    environment.insert("GSETTINGS_BACKEND", "keyfile");
    environment.insert("GSETTINGS_SCHEMA_DIR", TAVELO_SCHEMAS);
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    environment.remove("QT_QPA_PLATFORM");
    m_tavelo.setProcessEnvironment(environment);
    m_tavelo.setProcessChannelMode(QProcess::ForwardedChannels);
    m_tavelo.start(program);
    QVERIFY(m_tavelo.waitForStarted());

    // Start-up: the loading caption over an empty picture area.
    QTRY_VERIFY_WITH_TIMEOUT(!(m_window = run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(m_tavelo.processId()),
                                                          "--name", Loading}).section('\n', 0, 0)).isEmpty(),
                             Waiting);
    const QString done = "Tavelo  " + QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(), QSize(977, 580), Waiting);
    screenshot("1-loading");

    // The first picture arrives, larger than the screen: the window shrinks
    // it to fit, frame and all, with its proportions.
    QTRY_VERIFY_WITH_TIMEOUT(cn.requests.contains("/?mkt=zh-CN"), Waiting);
    cn.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(caption(), done, Waiting);
    QTRY_VERIFY_WITH_TIMEOUT(outerSize().width() > 977 && QRect(0, 0, 1366, 768).contains(outerRect()), Waiting);
    const QSize shown = outerSize() - QSize(0, 67); // the outer size is the picture's, and 67 pixels
    QVERIFY(shown.height() < 1080 && qAbs(shown.width() * 1080 - shown.height() * 1920) < 2 * 1920);
    screenshot("2-china");

    // "设置背景": the setting the desktop reads now names the bitmap, of the
    // whole picture.
    click(middle(11640, 60, 1095, 375));
    const auto bitmaps = [&folder] { return QDir(folder.filePath("data/Tavelo")).entryList({"*.bmp"}); };
    QTRY_COMPARE_WITH_TIMEOUT(bitmaps().size(), 1, Waiting);
    const QString bitmap = folder.filePath("data/Tavelo/" + bitmaps().constFirst());
    QTRY_VERIFY_WITH_TIMEOUT(readFile(folder.filePath("config/glib-2.0/settings/keyfile")).contains("file://" + QFile::encodeName(bitmap)),
                             Waiting);
    QCOMPARE(QImageReader(bitmap).size(), QSize(1920, 1080));

    // "日本": the archive's picture.
    click(middle(2417, 60, 855, 420));
    QTRY_COMPARE_WITH_TIMEOUT(caption(), Loading, Waiting);
    QTRY_VERIFY_WITH_TIMEOUT(main.requests.contains("/?mkt=ja-jp"), Waiting);
    main.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(), QSize(1024, 576 + 67), Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), done, Waiting);
    QCOMPARE(readFile(folder.filePath("temp.jpg")), japan);
    screenshot("3-japan");

    // "关  于", closed with the keyboard; Enter clicks it too.
    click(middle(12960, 60, 1095, 375));
    QTRY_COMPARE_WITH_TIMEOUT(activeCaption(), QStringLiteral("关于"), Waiting);
    screenshot("4-about");
    key("Return");
    QTRY_COMPARE_WITH_TIMEOUT(activeCaption(), done, Waiting);
    key("Return");
    QTRY_COMPARE_WITH_TIMEOUT(activeCaption(), QStringLiteral("关于"), Waiting);
    key("Return");
    QTRY_COMPARE_WITH_TIMEOUT(activeCaption(), done, Waiting);

    // "保存图片": a name typed into the desktop's own dialog, which comes up
    // with the keyboard; the picture is slow to come, and the window is closed
    // at once. The save goes on, fails, and says so in a box of its own; the
    // program ends when that is closed.
    const QByteArray picture = "/th?id=OHR.Japan_1920x1080.jpg";
    const qsizetype fetched = main.requests.count(picture);
    main.serve(picture, Response{404, "gone", "text/html", TestServer::Fault::Hold});
    click(middle(10440, 60, 975, 375));
    QTRY_VERIFY_WITH_TIMEOUT(!QStringList({QString(), m_window}).contains(run("xdotool", {"getactivewindow"})), Waiting);
    const QString saved = folder.filePath("saved.jpg");
    key("ctrl+a");
    run("xdotool", {"type", "--delay", "20", saved});
    screenshot("5-save");
    key("Return");
    QTRY_COMPARE_WITH_TIMEOUT(activeCaption(), done, Waiting);
    key("alt+F4");
    const QString pid = QString::number(m_tavelo.processId());
    QTRY_VERIFY_WITH_TIMEOUT(run("xdotool", {"search", "--onlyvisible", "--pid", pid}).isEmpty(), Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(main.requests.count(picture), fetched + 1, Waiting);
    QCOMPARE(m_tavelo.state(), QProcess::Running); // the save is still under way
    main.releaseHeld(); // the servers answer from this event loop: wait in it
    QString box;
    QTRY_VERIFY_WITH_TIMEOUT(!(box = run("xdotool", {"search", "--onlyvisible", "--pid", pid, "--name", "^Tavelo$"})).isEmpty(), Waiting);
    screenshot("6-save-failed");
    QTest::qWait(500);
    QCOMPARE(m_tavelo.state(), QProcess::Running);
    run("xdotool", {"windowactivate", "--sync", box.section('\n', 0, 0)});
    key("Return");
    QTRY_COMPARE_WITH_TIMEOUT(m_tavelo.state(), QProcess::NotRunning, Waiting);
    QCOMPARE(m_tavelo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_tavelo.exitCode(), 0);
    QVERIFY(!QFile::exists(saved) && !QFile::exists(folder.filePath("temp.jpg")));
    QVERIFY(QFile::exists(bitmap)); // the wallpaper stays
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
