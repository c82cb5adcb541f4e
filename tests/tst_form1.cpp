#include "window.h"

#include "commands/picturesave.h"
#include "retrieval/kept.h"

#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString Loading = QStringLiteral("图片加载中，请稍候...");

// The archive's answer with days named D0, D1, ..., from 6 December 2026 back.
QByteArray archive(int days)
{
    QByteArrayList images;
    for (int day = 0; day < days; ++day) {
        const QByteArray n = QByteArray::number(day);
        const QByteArray date = QDate(2026, 12, 6).addDays(-day).toString("yyyyMMdd").toLatin1();
        images << R"({"urlbase":"/th?id=OHR.D)" + n + R"(","startdate":")" + date
                        + R"(","copyright":"Day )" + n + "\"}";
    }
    return R"({"images":[)" + images.join(',') + "]}";
}

QByteArray day(int day)
{
    return "/th?id=OHR.D" + QByteArray::number(day) + "_1920x1080.jpg";
}

// Keeps days first to last of zh-CN, each the archive's picture of that day.
void keepDays(const QString &folder, const TestServer &server, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        const QString credit = "Kept " + QString::number(i);
        const retrieval::ArchivePicture picture{
            server.origin() + day(i), {}, credit, QDate(2026, 12, 6).addDays(-i)
        };
        retrieval::keepPicture(folder, "zh-CN", picture, makeJpeg(100 + i, 50, Qt::blue),
                               QDate(2026, 12, 7));
    }
}

} // namespace

// The window: its controls, start-up, the caption, Save and About, the days.
class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void controlsAndTabOrder()
    {
        Window window;
        const platform::Services services{ window.dialogs, window.clock, window.wallpaper, {} };
        window.form = std::make_unique<Form1>(services);
        QCOMPARE(window.form->windowTitle(), "B");
        for (const auto &[name, text] : { std::pair{ "Option1(0)", "中国" },
                                          { "Option1(8)", "澳大利亚" },
                                          { "Command3", "关  于" },
                                          { "Command4", "前一天" } })
            QCOMPARE(window.child(name)->property("text").toString(), QString::fromUtf8(text));
        QCOMPARE(window.child<QAction>("Check1")->text(), "每天自动更换桌面背景");
        QVERIFY(!window.child("Text2")->isVisibleTo(window.form.get()));
        auto *option = window.child<QRadioButton>("Option1(0)");
        QVERIFY(option->isChecked());
        QCOMPARE(option->font().family(), "宋体");
        QCOMPARE(option->font().pointSizeF(), 10.5);
        QVERIFY(!(window.form->windowFlags() & Qt::WindowMaximizeButtonHint));
        window.form->show();
        QStringList order;
        for (QWidget *widget = option; order.size() < 14; widget = widget->nextInFocusChain()) {
            if (widget->focusPolicy() != Qt::NoFocus && widget->isVisible())
                order << widget->objectName();
        }
        QCOMPARE(order.join(' '),
                 "Option1(0) Option1(1) Option1(2) Option1(3) Option1(4) Option1(5) "
                 "Option1(6) Option1(7) Option1(8) Command1 Command2 Command3 "
                 "Command4 Command5");
    }

    // The design size, then the picture's, 1000 twips taller, not resizable,
    // the arrows over its edges; the picture in the cache where the program
    // folder may not be written.
    void firstPictureFillsTheWindow()
    {
        Window window;
        window.cn.serve("/?mkt=zh-CN",
                        { 200, homePage("/first.jpg"), "text/html", TestServer::Fault::Hold });
        Form1 &form = window.start(QStringLiteral("/proc")); // not writable, not even for root
        QCOMPARE(form.windowTitle(), Loading);
        const Twips twips = screenTwips();
        QCOMPARE(form.frameGeometry().size(), QSize(twips.pixels(14655), twips.pixels(8695)));
        QTRY_VERIFY_WITH_TIMEOUT(window.cn.requests.contains("/?mkt=zh-CN"), Waiting);
        window.cn.releaseHeld();
        WAIT_FOR_LOAD(window);
        QCOMPARE(form.windowTitle(), caption(window.clock.today()));
        QCOMPARE(form.picUrl(), window.main.origin() + "/first.jpg");
        QCOMPARE(window.shown(), onScreen(QSize(64, 48)));
        QCOMPARE(form.frameGeometry().size(), window.around(window.shown()));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const QRect picture = window.child("Image1")->geometry();
        QCOMPARE(picture.topLeft(), QPoint(0, twips.pixels(480)));
        QCOMPARE(window.child("Command4")->geometry().left(), picture.left());
        QCOMPARE(window.child("Command5")->geometry().right(), picture.right());
        const QString cached =
                QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/temp.jpg";
        QCOMPARE(readWhole(cached), window.first);
        QCOMPARE(window.main.requests.count("/first.jpg"), 2); // the browser control's, the load's
        form.close();
        QVERIFY(!QFile::exists(cached));
        QCOMPARE(window.dialogs.messages.size(), 0);
    }

    // The caption says "loading" while the browser control is busy, then
    // changes once; selecting again re-arms the watcher.
    void captionFollowsTheLoad()
    {
        Window window;
        window.main.serve("/first.jpg", { 200, "", "image/jpeg", TestServer::Fault::NeverAnswer });
        Form1 &form = window.start();
        QTRY_COMPARE_WITH_TIMEOUT(window.main.requests.count("/first.jpg"), 2, Waiting);
        for (int tick = 0; tick < 3; ++tick)
            QVERIFY(!window.loadOver());
        QCOMPARE(form.windowTitle(), Loading);
        window.main.serve("/first.jpg", window.first);
        QSignalSpy captions(&form, &QWidget::windowTitleChanged);
        window.click("Option1(0)");
        window.click("Option1(0)"); // still armed: arming again changes nothing more
        WAIT_FOR_LOAD(window);
        QCOMPARE(captions.size(), 1);
        QCOMPARE(captions[0][0].toString(), caption(window.clock.today()));
    }

    // An older load that ends after a newer one shows nothing.
    void onlyTheNewestSelectionShows()
    {
        Window window;
        window.main.serve("/?mkt=ja-jp",
                          { 200, homePage("/japan.jpg"), "text/html", TestServer::Fault::Hold });
        window.main.serve("/japan.jpg", makeJpeg(30, 30, Qt::green));
        window.main.serve("/?scope=web&setmkt=en-US", { 200, homePage("/us.jpg") });
        window.main.serve("/us.jpg", makeJpeg(40, 20, Qt::blue));
        window.start();
        WAIT_FOR_LOAD(window);
        window.click("Option1(2)");
        QTRY_VERIFY_WITH_TIMEOUT(window.main.requests.contains("/?mkt=ja-jp"), Waiting);
        window.click("Option1(3)");
        WAIT_FOR_LOAD(window);
        window.main.releaseHeld();
        QTest::qWait(300);
        QVERIFY(!window.main.requests.contains("/japan.jpg"));
        QCOMPARE(window.dialogs.messages.size(), 0);
        QCOMPARE(window.shown(), onScreen(QSize(40, 20)));
        QCOMPARE(readWhole(window.folder.filePath("temp.jpg")), makeJpeg(40, 20, Qt::blue));
    }

    // Save: Cancel writes nothing; the path as confirmed; each opens where the
    // one before saved; a refused file is said. About: click, Enter, Space.
    void saveAndAbout()
    {
        const QString documents =
                QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(QDir().mkpath(documents + "/My Pictures"));
        Window window;
        const QByteArray lake = "/az/hprichbg?p=rb%2fLake_ZH-CN123.jpg";
        window.cn.serve("/?mkt=zh-CN", { 200, homePage(lake) });
        window.main.serve(lake, window.first);
        window.start();
        WAIT_FOR_LOAD(window);
        QTemporaryDir elsewhere;
        window.dialogs.saveAnswers << QString() << elsewhere.filePath("first.jpg")
                                   << "/proc/sys/kept.jpg" << window.folder.filePath("second");
        window.main.requests.clear();
        for (int save = 0; save < 4; ++save)
            window.click("Command1");
        const auto saving = [&window] {
            return window.form->findChildren<commands::PictureSave *>();
        };
        QTRY_VERIFY_WITH_TIMEOUT(saving().isEmpty(), Waiting);
        const QList<platform::SaveFileRequest> &asked = window.dialogs.saveRequests;
        QCOMPARE(asked[1].folder, documents + "/My Pictures/");
        QCOMPARE(asked[1].fileName, "Lake_ZH-CN123.jpg");
        QCOMPARE(asked[1].filterText + ' ' + asked[1].pattern, "JPG文件 *.jpg");
        QCOMPARE(asked[2].folder, elsewhere.path());
        QCOMPARE(readWhole(elsewhere.filePath("first.jpg")), window.first);
        QCOMPARE(readWhole(window.folder.filePath("second")), window.first);
        QCOMPARE(window.form->saveDialog().initialFolder, window.folder.path());
        QCOMPARE(window.main.requests.size(), 3);
        QCOMPARE(window.dialogs.texts(), QStringList{ "发生错误，错误号 70。" });
        window.click("Command3");
        QTest::keyClick(window.child("Command3"), Qt::Key_Return);
        QTest::keyClick(window.child("Command3"), Qt::Key_Space);
        QTRY_COMPARE(window.dialogs.messages.size(), 4);
        const FakeDialogs::Message about = window.dialogs.messages[3];
        QCOMPARE(about.text.count('\r'), 7);
        QCOMPARE(about.style, platform::MessageStyle::Information);
        QCOMPARE(about.title, "关于");
    }

    // Where the home page named the picture, the first "前一天" asks the
    // archive; the days are those of the region on display.
    void daysAfterTheHomePage_data()
    {
        QTest::addColumn<QByteArray>("answer"); // the archive's
        QTest::addColumn<int>("status"); // of the day before's picture
        QTest::addColumn<int>("shown"); // the day shown after the press
        QTest::addColumn<bool>("back"); // "前一天" after the press
        row("the day before", archive(2), 200, 1, false);
        row("its picture does not arrive: said, and the day shown stays", archive(2), 404, 0, true);
        row("no archive: nothing said, and no day before", QByteArray("<html>"), 200, 0, false);
    }

    void daysAfterTheHomePage()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, status);
        QFETCH(int, shown);
        QFETCH(bool, back);
        Window window;
        window.main.serve("/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=zh-CN",
                          { 200, answer });
        window.main.serve(day(1), { status, makeJpeg(101, 50, Qt::blue), "image/jpeg" });
        window.start();
        WAIT_FOR_LOAD(window);
        QVERIFY(window.child("Command4")->isEnabled());
        QCOMPARE(window.main.requests.size(), 2);
        window.click("Command4");
        WAIT_FOR_LOAD(window);
        QCOMPARE(window.dialogs.texts(),
                 status == 404 ? QStringList{ "发生错误，错误号 53。" } : QStringList());
        QCOMPARE(window.shown(), onScreen(shown ? QSize(101, 50) : QSize(64, 48)));
        QCOMPARE(window.child("Command4")->isEnabled(), back);
        QCOMPARE(window.child("Command5")->isEnabled(), shown > 0);
    }

    // A region whose load fails leaves the region on display, whose days the
    // arrows go on through while the other stays chosen.
    void daysOfTheRegionOnDisplay()
    {
        Window window;
        window.main.serve("/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=zh-CN",
                          { 200, archive(2) });
        window.main.serve(day(1), makeJpeg(101, 50, Qt::blue));
        window.start();
        WAIT_FOR_LOAD(window);
        window.hk.stopListening();
        window.click("Option1(1)");
        QVERIFY(!window.child("Command4")->isEnabled());
        WAIT_FOR_LOAD(window);
        QCOMPARE(window.dialogs.texts(),
                 QStringList{ "发生错误，此问题常发生在不能连接bing服务器。" });
        window.click("Command4");
        WAIT_FOR_LOAD(window);
        QCOMPARE(window.shown(), onScreen(QSize(101, 50)));
        QCOMPARE(window.form->windowTitle(), caption(QDate(2026, 12, 5)));
        QVERIFY(window.child<QRadioButton>("Option1(1)")->isChecked());
    }

    // China's archive of eight days and twenty kept: back through the eight,
    // each fetched once, on into the kept ones with no request, forward by the
    // keys; Save and "设置背景" on a kept day; the region to its newest again.
    void days()
    {
        Window window;
        window.keptFolder = window.folder.filePath("kept");
        keepDays(window.keptFolder, window.main, 0, 19);
        window.cn.serve("/?mkt=zh-CN", { 200, "<html>no picture</html>" });
        const QByteArray china = "/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=zh-CN";
        window.main.serve(china, { 200, archive(8) });
        for (int i = 0; i < 8; ++i)
            window.main.serve(day(i), makeJpeg(100 + i, 50, Qt::blue));
        window.start();
        const auto enabled = [&window] {
            return QString::number(window.child("Command4")->isEnabled())
                    + QString::number(window.child("Command5")->isEnabled());
        };
        for (int shown = 0; shown < 20; ++shown) {
            if (shown > 0)
                window.click("Command4");
            QCOMPARE(window.form->windowTitle(), Loading);
            WAIT_FOR_LOAD(window);
            const QByteArray picture = makeJpeg(100 + shown, 50, Qt::blue);
            QCOMPARE(window.shown(), onScreen(QSize(100 + shown, 50)));
            QCOMPARE(readWhole(window.folder.filePath("temp.jpg")), picture);
            QCOMPARE(window.form->picUrl(), window.main.origin() + day(shown));
            const QDate date = shown ? QDate(2026, 12, 6).addDays(-shown) : window.clock.today();
            QCOMPARE(window.form->windowTitle(), caption(date));
            const QString credit = (shown < 8 ? "Day " : "Kept ") + QString::number(shown);
            QCOMPARE(window.child("Image1")->toolTip(), credit);
            QCOMPARE(enabled(), shown == 0 ? "10" : shown < 19 ? "11" : "01");
            QCOMPARE(window.main.requests.size(), 5 + 2 * std::min(shown, 7));
        }
        window.dialogs.saveAnswers << window.folder.filePath("saved.jpg");
        window.click("Command1");
        window.click("Command2");
        QTRY_COMPARE(readWhole(window.folder.filePath("saved.jpg")), makeJpeg(119, 50, Qt::blue));
        QCOMPARE(window.dialogs.saveRequests[0].fileName, "OHR.D19_1920x1080.jpg");
        QTRY_COMPARE(window.wallpaper.paths.size(), 1);
        QCOMPARE(QImage(window.wallpaper.paths[0]).size(), QSize(119, 50));
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QTest::keyClick(window.form->windowHandle(), Qt::Key_Right, Qt::AltModifier);
        QTRY_COMPARE(window.form->windowTitle(), Loading); // a shortcut clicks after a moment
        WAIT_FOR_LOAD(window);
        QCOMPARE(window.shown(), onScreen(QSize(118, 50)));
        window.click("Option1(0)");
        WAIT_FOR_LOAD(window);
        QCOMPARE(window.shown(), onScreen(QSize(100, 50)));
        QCOMPARE(window.main.requests.count(china), 2);
        QCOMPARE(window.dialogs.messages.size(), 0);
    }

    // Started offline: the connection is said, then "前一天" shows the newest
    // kept day; a kept picture that is gone is said once, and passed over.
    void keptDaysOffline()
    {
        Window window;
        window.keptFolder = window.folder.filePath("kept");
        keepDays(window.keptFolder, window.main, 1, 3);
        QVERIFY(QFile::remove(retrieval::keptPictures(window.keptFolder, "zh-CN")[1].file));
        window.cn.stopListening();
        window.start();
        WAIT_FOR_LOAD(window);
        const QString offline = platform::loadMessage(platform::Failure::CannotConnect);
        QCOMPARE(window.dialogs.texts(), QStringList{ offline });
        for (const int kept : { 1, 3 }) {
            window.click("Command4");
            WAIT_FOR_LOAD(window);
            QCOMPARE(window.shown(), onScreen(QSize(100 + kept, 50)));
            QCOMPARE(window.form->windowTitle(), caption(QDate(2026, 12, 6).addDays(-kept)));
        }
        const QString damaged = platform::genericMessage(platform::Failure::InvalidPicture);
        QCOMPARE(window.dialogs.texts(), (QStringList{ offline, damaged }));
        QVERIFY(!window.child("Command4")->isEnabled());
        QCOMPARE(window.main.requests.size(), 0);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
