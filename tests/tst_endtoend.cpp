#include "testserver.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The real program in a real X server, watched and clicked from outside the
// way a person would, against local servers standing in for the hosts.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void startUpThenAnotherRegion();

private:
    static QString run(const QString &program, const QStringList &arguments);
    QString caption() const { return run("xdotool", {"getwindowname", m_window}); }
    QSize outerSize() const;
    void click(int x, int y) const;

    QProcess m_tavelo;
    QString m_window;
};

QString TestEndToEnd::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The size the window takes on screen, its frame included where there is one.
QSize TestEndToEnd::outerSize() const
{
    const QString info = run("xwininfo", {"-frame", "-id", m_window});
    const auto width = QRegularExpression(R"(Width: (\d+))").match(info);
    const auto height = QRegularExpression(R"(Height: (\d+))").match(info);
    return QSize(width.captured(1).toInt(), height.captured(1).toInt());
}

void TestEndToEnd::click(int x, int y) const
{
    run("xdotool", {"mousemove", "--window", m_window, QString::number(x), QString::number(y),
                    "click", "1"});
}

void TestEndToEnd::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QFAIL("needs an X server: run it under xvfb-run");
    QVERIFY2(QFile::exists(TAVELO_PROGRAM), TAVELO_PROGRAM);
}

void TestEndToEnd::cleanup()
{
    m_tavelo.kill();
    m_tavelo.waitForFinished();
}

void TestEndToEnd::startUpThenAnotherRegion()
{
    TestServer cn, hk, main;
    cn.serve("/?mkt=zh-CN", TestServer::Response{200, homePage("/china.jpg"), "text/html", {},
                                                 TestServer::Fault::Hold});
    main.serve("/china.jpg", makeJpeg(480, 300, Qt::red), "image/jpeg");
    main.serve("/?mkt=ja-jp", TestServer::Response{200, homePage("/japan.jpg"), "text/html", {},
                                                   TestServer::Fault::Hold});
    main.serve("/japan.jpg", makeJpeg(640, 360, Qt::blue), "image/jpeg");

    // A copy of the program in a folder of its own, which becomes its
    // program folder, with a home of its own.
    QTemporaryDir folder;
    const QString program = folder.filePath("tavelo");
    QVERIFY(QFile::copy(TAVELO_PROGRAM, program));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TAVELO_CN_HOST", cn.hostAndPort());
    environment.insert("TAVELO_HK_HOST", hk.hostAndPort());
    environment.insert("TAVELO_MAIN_HOST", main.hostAndPort());
    environment.insert("HOME", folder.path());
    environment.insert("XDG_CONFIG_HOME", folder.filePath("config"));
    environment.insert("XDG_CACHE_HOME", folder.filePath("cache"));
    environment.remove("QT_QPA_PLATFORM");
    m_tavelo.setProcessEnvironment(environment);
    m_tavelo.start(program);
    QVERIFY(m_tavelo.waitForStarted());

    const QString pid = QString::number(m_tavelo.processId());
    QTRY_VERIFY_WITH_TIMEOUT(
        !(m_window = run("xdotool", {"search", "--onlyvisible", "--pid", pid}).section('\n', 0, 0))
             .isEmpty(),
        15000);

    const QString loading = QStringLiteral("图片加载中，请稍候...");
    const QString done = "Tavelo  " + QLocale::system().toString(QDate::currentDate(),
                                                                 QLocale::ShortFormat);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), loading, 5000);
    // Before the first picture the window keeps the design-size picture area.
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(), QSize(977, 580), 5000);

    cn.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(), QSize(480, 300 + 67), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), done, 5000);
    QVERIFY(QFile::exists(folder.filePath("temp.jpg")));

    // "日本" stands third from the left.
    click(161 + 20, 4 + 14);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), loading, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(main.requests().contains("/?mkt=ja-jp"), 5000);
    main.releaseHeld();
    QTRY_COMPARE_WITH_TIMEOUT(outerSize(), QSize(640, 360 + 67), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(caption(), done, 5000);
    QCOMPARE(m_tavelo.state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
