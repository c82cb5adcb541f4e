#include "app/form1.h"

#include "fakes.h"
#include "files.h"
#include "localhosts.h"

#include "platform/failure.h"
#include "platform/folders.h"
#include "retrieval/regiontable.h"

#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString Loading = QStringLiteral("图片加载中，请稍候...");
const QString ConnectMessage = QStringLiteral("发生错误，此问题常发生在不能连接bing服务器。");
constexpr int Waiting = 15000; // ms, for anything that crosses the network

} // namespace

// The window driven as a person would, against local servers standing in for
// the three hosts.
class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // Start-up and the first picture
    void controlsStandWhereTheyBelong_data();
    void controlsStandWhereTheyBelong();
    void tabOrderFollowsTheIndex();
    void firstPictureFillsTheWindow();
    void pictureFileReplacedThenDeletedOnClose();
    void closingWithoutPictureFileIsQuiet();
    void noServerGivesTheConnectionMessage();
    void failedDownloadWithoutEarlierFile();
    void unwritableProgramFolderUsesTheCache();
    void closingDuringALoad();

    // Regions and the caption
    void eachRegionAsksItsServer_data();
    void eachRegionAsksItsServer();
    void captionFollowsTheLoad();
    void endlessPictureKeepsTheWatcherArmed();
    void failureBeforeNavigationEndsAtNextTick();
    void reselectingEndsInOneCaptionChange();
    void onlyTheNewestSelectionShows();

private:
    Form1 &startForm(const QString &programFolder = {});
    void tick();
    bool isDone() const;
    QLabel *image() const { return m_form->findChild<QLabel *>(QStringLiteral("Image1")); }
    QTimer *timer() const { return m_form->findChild<QTimer *>(QStringLiteral("Timer1")); }
    void select(int index);
    QString doneCaption() const;
    QString origin(const TestServer &server) const { return "http://" + server.hostAndPort(); }
    void servePicture(const QByteArray &path, const QByteArray &jpeg)
    {
        m_hosts->servePicture(path, jpeg);
    }

    std::unique_ptr<LocalHosts> m_hosts;
    TestServer *m_cn = nullptr;
    TestServer *m_hk = nullptr;
    TestServer *m_main = nullptr;
    std::unique_ptr<QTemporaryDir> m_programFolder;
    FakeDialogs m_dialogs;
    FakeClock m_clock;
    std::unique_ptr<Form1> m_form;
};

void TestForm1::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestForm1::init()
{
    m_hosts = std::make_unique<LocalHosts>();
    m_cn = &m_hosts->cn;
    m_hk = &m_hosts->hk;
    m_main = &m_hosts->main;
    m_programFolder = std::make_unique<QTemporaryDir>();
    m_dialogs = FakeDialogs();
}

void TestForm1::cleanup()
{
    m_form.reset();
    m_hosts.reset();
}

Form1 &TestForm1::startForm(const QString &programFolder)
{
    m_form = std::make_unique<Form1>(platform::Services{
        &m_dialogs, &m_clock, programFolder.isEmpty() ? m_programFolder->path() : programFolder});
    m_form->Form_Load();
    return *m_form;
}

// A tick as the timer would deliver it: only while it runs.
void TestForm1::tick()
{
    if (timer()->isActive())
        QMetaObject::invokeMethod(timer(), "timeout");
}

QString TestForm1::doneCaption() const
{
    return "Tavelo  " + QLocale::system().toString(m_clock.date, QLocale::ShortFormat);
}

bool TestForm1::isDone() const
{
    return m_form->windowTitle() == doneCaption();
}

void TestForm1::select(int index)
{
    auto *option = m_form->findChild<QRadioButton *>(QStringLiteral("Option1(%1)").arg(index));
    QVERIFY(option);
    QTest::mouseClick(option, Qt::LeftButton);
}

// Ticks until the caption tells the load is over.
#define WAIT_FOR_LOAD() QTRY_VERIFY_WITH_TIMEOUT((tick(), isDone()), Waiting)

void TestForm1::controlsStandWhereTheyBelong_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("Option1(0)") << "Option1(0)" << "中国" << QRect(240, 60, 855, 420);
    QTest::newRow("Option1(1)") << "Option1(1)" << "香港" << QRect(1276, 60, 960, 420);
    QTest::newRow("Option1(2)") << "Option1(2)" << "日本" << QRect(2417, 60, 855, 420);
    QTest::newRow("Option1(4)") << "Option1(4)" << "法国" << QRect(3453, 60, 975, 420);
    QTest::newRow("Option1(6)") << "Option1(6)" << "德国" << QRect(4609, 60, 975, 420);
    QTest::newRow("Option1(7)") << "Option1(7)" << "英国" << QRect(5765, 60, 855, 420);
    QTest::newRow("Option1(3)") << "Option1(3)" << "美国" << QRect(6801, 60, 855, 420);
    QTest::newRow("Option1(5)") << "Option1(5)" << "加拿大" << QRect(7837, 60, 975, 420);
    QTest::newRow("Option1(8)") << "Option1(8)" << "澳大利亚" << QRect(9000, 60, 1215, 420);
    QTest::newRow("Command1") << "Command1" << "保存图片" << QRect(10440, 60, 975, 375);
    QTest::newRow("Command2") << "Command2" << "设置背景" << QRect(11640, 60, 1095, 375);
    QTest::newRow("Command3") << "Command3" << "关  于" << QRect(12960, 60, 1095, 375);
    QTest::newRow("WebBrowser1") << "WebBrowser1" << "" << QRect(250, 220, 30, 30);
    QTest::newRow("Text2") << "Text2" << "" << QRect(240, 4560, 3975, 375);
}

void TestForm1::controlsStandWhereTheyBelong()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, twips);

    m_cn->stopListening();
    Form1 form(platform::Services{&m_dialogs, &m_clock, m_programFolder->path()});
    QCOMPARE(form.windowTitle(), "B");
    auto *control = form.findChild<QWidget *>(name);
    QVERIFY(control);
    const auto px = [](int t) { return qRound(t / 15.0); };
    QCOMPARE(control->geometry(),
             QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));
    QCOMPARE(control->property("text").toString(), text);
    if (name.startsWith("Option1")) {
        QCOMPARE(control->font().family(), "宋体");
        QCOMPARE(control->font().pointSizeF(), 10.5);
        QCOMPARE(qobject_cast<QRadioButton *>(control)->isChecked(), name == "Option1(0)");
    }
    QCOMPARE(control->isVisibleTo(&form), name != "Text2");
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
}

void TestForm1::tabOrderFollowsTheIndex()
{
    m_cn->stopListening();
    Form1 &form = startForm();
    QStringList order;
    QWidget *widget = form.findChild<QWidget *>("Option1(0)");
    for (int i = 0; i < 12; ++i) {
        order << widget->objectName();
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || !widget->isVisibleTo(&form))
            widget = widget->nextInFocusChain();
    }
    QCOMPARE(order, QStringList({"Option1(0)", "Option1(1)", "Option1(2)", "Option1(3)",
                                 "Option1(4)", "Option1(5)", "Option1(6)", "Option1(7)",
                                 "Option1(8)", "Command1", "Command2", "Command3"}));
}

void TestForm1::firstPictureFillsTheWindow()
{
    const QByteArray jpeg = makeJpeg(320, 200, Qt::red);
    servePicture("/pics/lake_0412.jpg", jpeg);

    Form1 &form = startForm();
    QCOMPARE(form.windowTitle(), Loading);
    QVERIFY(form.isVisible());
    WAIT_FOR_LOAD();

    QVERIFY(m_dialogs.messages.isEmpty());
    QCOMPARE(form.picUrl(), origin(*m_main) + "/pics/lake_0412.jpg");
    QCOMPARE(image()->pixmap().size(), QSize(320, 200));
    QCOMPARE(image()->pos(), QPoint(0, 32));
    // As wide as the picture, 1000 twips (67 pixels) taller; not resizable.
    QCOMPARE(form.frameGeometry().size(), QSize(320, 267));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(readFile(form.pictureFile()), jpeg);
    QCOMPARE(QFileInfo(form.pictureFile()).absolutePath(), m_programFolder->path());
    // The browser control and the download each fetch the picture.
    QCOMPARE(m_main->requests().count("/pics/lake_0412.jpg"), 2);
}

void TestForm1::pictureFileReplacedThenDeletedOnClose()
{
    servePicture("/p/a.jpg", makeJpeg(64, 48, Qt::red));
    Form1 &form = startForm();
    WAIT_FOR_LOAD();

    const QByteArray second = makeJpeg(80, 60, Qt::blue);
    m_main->serve("/p/a.jpg", second, "image/jpeg");
    select(0);
    WAIT_FOR_LOAD();
    QCOMPARE(readFile(form.pictureFile()), second);
    QCOMPARE(image()->pixmap().size(), QSize(80, 60));

    form.close();
    QVERIFY(!QFile::exists(form.pictureFile()));
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestForm1::closingWithoutPictureFileIsQuiet()
{
    Form1 &form = startForm(); // nothing served: the page has no marker
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages.size(), 1, Waiting);
    QVERIFY(!QFile::exists(form.pictureFile()));
    form.close();
    QCOMPARE(m_dialogs.messages.size(), 1);
}

void TestForm1::noServerGivesTheConnectionMessage()
{
    m_cn->stopListening(); // its port now refuses connections
    Form1 &form = startForm();
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages.size(), 1, Waiting);
    QCOMPARE(m_dialogs.messages[0].text, ConnectMessage);
    QCOMPARE(m_dialogs.messages[0].style, platform::MessageStyle::Plain);
    QCOMPARE(m_dialogs.messages[0].title, QString());
    QVERIFY(form.picUrl().isEmpty());
    QVERIFY(image()->pixmap().isNull());
    QCOMPARE(form.frameGeometry().size(), QSize(977, 580)); // the design-size picture area
}

void TestForm1::failedDownloadWithoutEarlierFile()
{
    m_cn->serve("/?mkt=zh-CN", homePage("/p/gone.jpg"));
    Form1 &form = startForm();
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages.size(), 1, Waiting);
    QCOMPARE(m_dialogs.messages[0].text, QStringLiteral("发生错误，错误号 53。"));
    QVERIFY(!QFile::exists(form.pictureFile()));
}

void TestForm1::unwritableProgramFolderUsesTheCache()
{
    // No one, not even an administrator, may create files in /proc.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QCOMPARE(platform::downloadFolder(QStringLiteral("/proc")), cache);
    QCOMPARE(platform::downloadFolder(m_programFolder->path()), m_programFolder->path());

    const QByteArray jpeg = makeJpeg(30, 20, Qt::cyan);
    servePicture("/p/a.jpg", jpeg);
    Form1 &form = startForm(QStringLiteral("/proc"));
    WAIT_FOR_LOAD();
    QCOMPARE(form.pictureFile(), cache + "/temp.jpg");
    QCOMPARE(readFile(form.pictureFile()), jpeg);
    form.close();
    QVERIFY(!QFile::exists(cache + "/temp.jpg"));
}

void TestForm1::closingDuringALoad()
{
    m_cn->serve("/?mkt=zh-CN", TestServer::Response{200, "", "text/html", {}, TestServer::Fault::NeverAnswer});
    Form1 &form = startForm();
    QTRY_VERIFY_WITH_TIMEOUT(!m_cn->requests().isEmpty(), Waiting);
    form.close();
    m_form.reset();
    QTest::qWait(50);
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestForm1::eachRegionAsksItsServer_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QByteArray>("pathAndQuery");

    QTest::newRow("中国") << 0 << "cn" << QByteArray("/?mkt=zh-CN");
    QTest::newRow("香港") << 1 << "hk" << QByteArray("/");
    QTest::newRow("日本") << 2 << "main" << QByteArray("/?mkt=ja-jp");
    QTest::newRow("美国") << 3 << "main" << QByteArray("/?scope=web&setmkt=en-US");
    QTest::newRow("法国") << 4 << "main" << QByteArray("/?scope=web&setmkt=fr-FR");
    QTest::newRow("加拿大") << 5 << "main" << QByteArray("/?scope=web&setmkt=en-CA");
    QTest::newRow("德国") << 6 << "main" << QByteArray("/?scope=web&setmkt=de-DE");
    QTest::newRow("英国") << 7 << "main" << QByteArray("/?scope=web&setmkt=en-GB");
    QTest::newRow("澳大利亚") << 8 << "main" << QByteArray("/?scope=web&setmkt=en-AU");
}

void TestForm1::eachRegionAsksItsServer()
{
    QFETCH(int, index);
    QFETCH(QString, host);
    QFETCH(QByteArray, pathAndQuery);

    servePicture("/start.jpg", makeJpeg(40, 30, Qt::gray));
    TestServer &server = host == "cn" ? *m_cn : host == "hk" ? *m_hk : *m_main;
    const QByteArray picture = "/region" + QByteArray::number(index) + ".jpg";
    server.serve(pathAndQuery, homePage(picture));
    m_main->serve(picture, makeJpeg(200 + index, 100 + index, Qt::darkBlue), "image/jpeg");

    Form1 &form = startForm();
    WAIT_FOR_LOAD();
    server.clearRequests();
    select(index);
    WAIT_FOR_LOAD();
    QVERIFY(m_dialogs.messages.isEmpty());
    QCOMPARE(server.requests().value(0), pathAndQuery);
    QCOMPARE(image()->pixmap().size(), QSize(200 + index, 100 + index));
    QCOMPARE(form.picUrl(), origin(*m_main) + picture);
    auto *option = form.findChild<QRadioButton *>(QStringLiteral("Option1(%1)").arg(index));
    QVERIFY(option->isChecked());
    QCOMPARE(option->text(), QString::fromUtf8(QTest::currentDataTag()));
}

void TestForm1::captionFollowsTheLoad()
{
    m_main->serve("/slow.jpg",
                  TestServer::Response{200, "", "image/jpeg", {}, TestServer::Fault::NeverAnswer});
    m_cn->serve("/?mkt=zh-CN", homePage("/slow.jpg"));
    Form1 &form = startForm();
    QTRY_COMPARE_WITH_TIMEOUT(m_main->requests().count("/slow.jpg"), 2, Waiting);
    tick();
    tick();
    QCOMPARE(form.windowTitle(), Loading);

    // The picture arrives; the next tick tells the load is over, once.
    servePicture("/fast.jpg", makeJpeg(60, 40, Qt::red));
    select(0);
    QCOMPARE(form.windowTitle(), Loading);
    WAIT_FOR_LOAD();
    QVERIFY(!timer()->isActive());
    m_clock.date = QDate(2031, 12, 31);
    tick();
    QVERIFY(form.windowTitle() != doneCaption()); // a stopped watcher changes nothing
}

void TestForm1::endlessPictureKeepsTheWatcherArmed()
{
    m_cn->serve("/?mkt=zh-CN", homePage("/endless.jpg"));
    m_main->serve("/endless.jpg",
                  TestServer::Response{200, "", "image/jpeg", {}, TestServer::Fault::NeverAnswer});
    Form1 &form = startForm();
    QTRY_COMPARE_WITH_TIMEOUT(m_main->requests().count("/endless.jpg"), 2, Waiting);
    for (int i = 0; i < 5; ++i) {
        tick();
        QTest::qWait(10);
    }
    QCOMPARE(form.windowTitle(), Loading);
    QVERIFY(timer()->isActive());
    QCOMPARE(timer()->interval(), 1000);
}

void TestForm1::failureBeforeNavigationEndsAtNextTick()
{
    m_cn->stopListening();
    Form1 &form = startForm();
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages.size(), 1, Waiting);
    QCOMPARE(form.windowTitle(), Loading);
    tick();
    QCOMPARE(form.windowTitle(), doneCaption());
    QVERIFY(doneCaption().startsWith("Tavelo  ") && doneCaption().at(8) != ' ');
    QVERIFY(!timer()->isActive());
}

void TestForm1::reselectingEndsInOneCaptionChange()
{
    servePicture("/p/a.jpg", makeJpeg(60, 40, Qt::red));
    Form1 &form = startForm();
    WAIT_FOR_LOAD();

    QSignalSpy captions(&form, &QWidget::windowTitleChanged);
    select(0);
    QVERIFY(timer()->isActive());
    select(0); // still armed: arming again changes nothing more
    WAIT_FOR_LOAD();
    QCOMPARE(captions.size(), 2);
    QCOMPARE(captions[0][0].toString(), Loading);
    QCOMPARE(captions[1][0].toString(), doneCaption());
}

void TestForm1::onlyTheNewestSelectionShows()
{
    servePicture("/p/start.jpg", makeJpeg(40, 30, Qt::gray));
    for (int index = 2; index <= 4; ++index) {
        const QByteArray picture = "/r" + QByteArray::number(index) + ".jpg";
        m_main->serve(retrieval::RegionTable[std::size_t(index)].pathAndQuery, homePage(picture));
        m_main->serve(picture, makeJpeg(100 * index, 50, Qt::magenta), "image/jpeg");
    }
    Form1 &form = startForm();
    WAIT_FOR_LOAD();
    select(2);
    select(3);
    select(4);
    WAIT_FOR_LOAD();
    QTest::qWait(200); // anything the abandoned loads might still do
    QVERIFY(m_dialogs.messages.isEmpty());
    QCOMPARE(image()->pixmap().size(), QSize(400, 50));
    QCOMPARE(readFile(form.pictureFile()), makeJpeg(400, 50, Qt::magenta));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
