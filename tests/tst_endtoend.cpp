#include "files.h"
#include "testserver.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QFile>
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

// A picture of a made-up landscape, to look at in the screenshots.
QByteArray landscape(int width, int height, QRgb sky)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double hill = height * (0.65 + 0.12 * std::sin(x * 6.0 / width));
            const double t = double(y) / height;
            picture.setPixel(x, y, y > hill ? qRgb(40, 110 + int(60 * t), 50)
                                            : qRgb(int(qRed(sky) * (1 - t / 2)),
                                                   int(qGreen(sky) * (1 - t / 3)), qBlue(sky)));
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

} // namespace

// A person's whole session with the real program, in a real X server with a
// window manager that draws frames, acting only through the screen and the
// keyboard, against local servers standing in for the hosts.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void aPersonsSession();

private:
    static QString run(const QString &program, const QStringList &arguments);
    QString caption() const { return run("xdotool", {"getwindowname", m_window}); }
    QSize outerSize() const;
    void click(QPoint point) const;
    QString findWindow(const QString &name) const;
    void screenshot(const QString &name) const;
    QString activeCaption() const;

    QProcess m_windowManager;
    QProcess m_tavelo;
    QString m_window;
};

QString TestEndToEnd::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        qWarning() << "no answer from" << program << arguments;
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The size the window takes on screen: its own and the frame's.
QSize TestEndToEnd::outerSize() const
{
    const QString geometry = run("xdotool", {"getwindowgeometry", m_window});
    const auto size = QRegularExpression(R"(Geometry: (\d+)x(\d+))").match(geometry);
    const QString extents = run("xprop", {"-id", m_window, "_NET_FRAME_EXTENTS"});
    const auto frame =
        QRegularExpression(R"(= (\d+), (\d+), (\d+), (\d+))").match(extents); // l, r, t, b
    if (!size.hasMatch() || !frame.hasMatch())
        return {};
    return QSize(size.captured(1).toInt() + frame.captured(1).toInt() + frame.captured(2).toInt(),
                 size.captured(2).toInt() + frame.captured(3).toInt() + frame.captured(4).toInt());
}

void TestEndToEnd::click(QPoint point) const
{
    run("xdotool", {"mousemove", "--window", m_window, QString::number(point.x()),
                    QString::number(point.y()), "click", "1"});
}

QString TestEndToEnd::findWindow(const QString &name) const
{
    return run("xdotool", {"search", "--onlyvisible", "--pid",
                           QString::number(m_tavelo.processId()), "--name", name})
        .section('\n', 0, 0);
}

// The caption of the window that has the keyboard.
QString TestEndToEnd::activeCaption() const
{
    return run("xdotool", {"getactivewindow", "getwindowname"});
}

// Kept under the build folder, so that people can see what the program showed.
void TestEndToEnd::screenshot(const QString &name) const
{
    QDir().mkpath(TAVELO_SHOTS);
    run("import", {"-window", "root", QStringLiteral(TAVELO_SHOTS "/%1.png").arg(name)});
}

void TestEndToEnd::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QFAIL("needs an X server: run it under xvfb-run");
    QVERIFY2(QFile::exists(TAVELO_PROGRAM), TAVELO_PROGRAM);
    m_windowManager.setProcessChannelMode(QProcess::ForwardedChannels);
    m_windowManager.start("openbox", {"--sm-disable"});
    QVERIFY(m_windowManager.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        m_windowManager.state() != QProcess::Running
            || run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"),
        Waiting);
    QVERIFY2(m_windowManager.state() == QProcess::Running, "the window manager quit");
}

void TestEndToEnd::cleanupTestCase()
{
    if (m_tavelo.state() != QProcess::NotRunning) {
        m_tavelo.kill();
        m_tavelo.waitForFinished();
    }
    m_windowManager.terminate();
    m_windowManager.waitForFinished();
}

void TestEndToEnd::aPersonsSession()
{
    TestServer cn, hk, main;
    const TestServer::Response heldChina{200, homePage("/china.jpg"), "text/html", {},
                                         TestServer::Fault::Hold};
    const TestServer::Response heldJapan{200, homePage("/japan.jpg"), "text/html", {},
                                         TestServer::Fault::Hold};
    const QByteArray japan = landscape(1024, 576, qRgb(250, 170, 120));
    cn.serve("/?mkt=zh-CN", heldChina);
    main.serve("/china.jpg", landscape(1000, 500, qRgb(120, 180, 250)), "image/jpeg");
    main.serve("/?mkt=ja-jp", heldJapan);
    main.serve("/japan.jpg", japan, "image/jpeg");

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
    QTRY_VERIFY_WITH_TIMEOUT(!(m_window = findWindow(Loading)).isEmpty(), Waiting);
    const QString done = "Tavelo  " + QLocale::system().toString(QDate::currentDate(),
                                                                 QLocale::ShortFormat);
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(), QSize(977, 580), Waiting);
    screenshot("1-loading");

    // The first picture arrives; the window fits it, frame and all.
    QTRY_VERIFY_WITH_TIMEOUT(cn.requests().contains("/?mkt=zh-CN"), Waiting);
    cn.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(), QSize(1000, 500 + 67), Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), done, Waiting);
    QVERIFY(QFile::exists(folder.filePath("temp.jpg")));
    screenshot("2-china");

    // "日本"
    click(middle(2417, 60, 855, 420));
    QTRY_COMPARE_WITH_TIMEOUT(caption(), Loading, Waiting);
    QTRY_VERIFY_WITH_TIMEOUT(main.requests().contains("/?mkt=ja-jp"), Waiting);
    main.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(), QSize(1024, 576 + 67), Waiting);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), done, Waiting);
    screenshot("3-japan");

    // "关  于", closed with the keyboard.
    click(middle(12960, 60, 1095, 375));
    QTRY_COMPARE_WITH_TIMEOUT(activeCaption(), QStringLiteral("关于"), Waiting);
    screenshot("4-about");
    run("xdotool", {"key", "--clearmodifiers", "Return"});
    QTRY_COMPARE_WITH_TIMEOUT(activeCaption(), done, Waiting);

    // "保存图片": a name typed into the real dialog.
    click(middle(10440, 60, 975, 375));
    // The desktop's own dialog comes up with the keyboard, proposing the
    // picture's name.
    QTRY_VERIFY_WITH_TIMEOUT(!QStringList({QString(), m_window})
                                  .contains(run("xdotool", {"getactivewindow"})),
                             Waiting);
    const QString saved = folder.filePath("saved.jpg");
    run("xdotool", {"key", "--clearmodifiers", "ctrl+a"});
    run("xdotool", {"type", "--delay", "20", saved});
    screenshot("5-save");
    run("xdotool", {"key", "--clearmodifiers", "Return"});
    QTRY_COMPARE_WITH_TIMEOUT(readFile(saved), japan, Waiting);

    // "设置背景": the setting the desktop reads now names the bitmap.
    click(middle(11640, 60, 1095, 375));
    const auto bitmaps = [&folder] { return QDir(folder.filePath("data/Tavelo")).entryList({"*.bmp"}); };
    QTRY_COMPARE_WITH_TIMEOUT(bitmaps().size(), 1, Waiting);
    const QString bitmap = folder.filePath("data/Tavelo/" + bitmaps().constFirst());
    const QString store = folder.filePath("config/glib-2.0/settings/keyfile");
    QTRY_VERIFY_WITH_TIMEOUT(readFile(store).contains("file://" + QFile::encodeName(bitmap)),
                             Waiting);
    QCOMPARE(QImageReader(bitmap).format(), QByteArray("bmp"));
    QCOMPARE(QImageReader(bitmap).size(), QSize(1024, 576));

    // Closed with the keyboard: the program ends and takes its picture file along.
    QTRY_COMPARE_WITH_TIMEOUT(activeCaption(), done, Waiting);
    run("xdotool", {"key", "--clearmodifiers", "alt+F4"});
    QVERIFY(m_tavelo.waitForFinished(Waiting));
    QCOMPARE(m_tavelo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_tavelo.exitCode(), 0);
    QVERIFY(!QFile::exists(folder.filePath("temp.jpg")));
    QVERIFY(QFile::exists(bitmap)); // the wallpaper stays
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
