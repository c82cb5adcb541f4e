#include "window.h"

#include "app/fit.h"

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
    for (int day = 0; day < days; ++day)
        images << R"({"urlbase":"/th?id=OHR.D)" + QByteArray::number(day) + R"(","startdate":"2026120)" + QByteArray::number(6 - day)
                      + R"(","copyright":"Day )" + QByteArray::number(day) + "\"}";
    return R"({"images":[)" + images.join(',') + "]}";
}

QByteArray day(int day)
{
    return "/th?id=OHR.D" + QByteArray::number(day) + "_1920x1080.jpg";
}
} // namespace

// The window: its controls, start-up, the load caption, the days of the
// archive, and fitting the screen.
class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void controlsAndTabOrder()
    {
        Window window;
        window.form = std::make_unique<Form1>(platform::Services{window.dialogs, window.clock, window.wallpaper, {}});
        QCOMPARE(window.form->windowTitle(), "B");
        for (const auto &[name, text, twips] : {std::tuple{"Option1(0)", "中国", layout::Option1[0]}, {"Option1(8)", "澳大利亚", layout::Option1[8]},
                                               {"Command3", "关  于", layout::Command3}, {"Command4", "前一天", layout::Command4},
                                               {"Check1", "每天自动更换桌面背景", layout::Check1}, {"Text2", "", layout::Text2}}) {
            QWidget *control = window.child(name);
            QCOMPARE(control->geometry(), screenTwips().pixels(twips));
            QCOMPARE(control->property("text").toString(), QString::fromUtf8(text));
            QCOMPARE(control->isVisibleTo(window.form.get()), qstrcmp(name, "Text2") != 0);
        }
        auto *option = window.child<QRadioButton>("Option1(0)");
        QVERIFY(option->isChecked() && option->font().family() == "宋体" && option->font().pointSizeF() == 10.5);
        QVERIFY(!(window.form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.form->windowIcon().availableSizes().contains(QSize(256, 256)));
        window.form->show();
        QStringList order;
        for (QWidget *widget = option; order.size() < 15; widget = widget->nextInFocusChain()) {
            if (widget->focusPolicy() != Qt::NoFocus && widget->isVisible())
                order << widget->objectName();
        }
        QCOMPARE(order.join(' '), "Option1(0) Option1(1) Option1(2) Option1(3) Option1(4) Option1(5) Option1(6) Option1(7) "
                                  "Option1(8) Command1 Command2 Command3 Command4 Command5 Check1");
    }

    // Also: where the program folder is not writable, the picture goes to the cache.
    void firstPictureFillsTheWindow()
    {
        Window window;
        Form1 &form = window.start(QStringLiteral("/proc")); // not writable, not even for root
        QCOMPARE(form.windowTitle(), Loading);
        QVERIFY(form.isVisible());
        WAIT_FOR_LOAD(window);
        QCOMPARE(form.windowTitle(), caption(window.clock.date));
        QCOMPARE(form.picUrl(), window.main.origin() + "/first.jpg");
        QCOMPARE(window.shown(), onScreen(QSize(64, 48)));
        QCOMPARE(window.child("Image1")->pos(), QPoint(0, screenTwips().pixels(layout::Image1.y())));
        // Never narrower than the controls, 1000 twips taller, not resizable.
        QCOMPARE(form.frameGeometry().size(), window.around(window.shown()));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const QString cached = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/temp.jpg";
        QCOMPARE(readFile(cached), window.first);
        // The browser control and the download each fetch the picture.
        QCOMPARE(window.main.requests.count("/first.jpg"), 2);
        form.close();
        QVERIFY(!QFile::exists(cached) && window.dialogs.messages.isEmpty());
    }

    // The caption says "loading" while the browser control is busy, then
    // changes once; selecting again re-arms the watcher.
    void captionFollowsTheLoad()
    {
        Window window;
        window.main.serve("/first.jpg", {200, "", "image/jpeg", TestServer::Fault::NeverAnswer});
        Form1 &form = window.start();
        QTRY_COMPARE_WITH_TIMEOUT(window.main.requests.count("/first.jpg"), 2, Waiting);
        for (int tick = 0; tick < 3; ++tick)
            QVERIFY(!window.loadOver());
        QCOMPARE(form.windowTitle(), Loading);
        QCOMPARE(window.child<QTimer>("Timer1")->interval(), 1000);
        window.main.serve("/first.jpg", window.first);
        QSignalSpy captions(&form, &QWidget::windowTitleChanged);
        window.click("Option1(0)");
        window.click("Option1(0)"); // still armed: arming again changes nothing more
        WAIT_FOR_LOAD(window);
        QCOMPARE(captions.size(), 1);
        QCOMPARE(captions[0][0].toString(), caption(window.clock.date));
    }

    // An older load that ends after a newer one shows nothing.
    void onlyTheNewestSelectionShows()
    {
        Window window;
        window.main.serve("/?mkt=ja-jp", {200, homePage("/japan.jpg"), "text/html", TestServer::Fault::Hold});
        window.main.serve("/japan.jpg", makeJpeg(30, 30, Qt::green));
        window.main.serve("/?scope=web&setmkt=en-US", {200, homePage("/us.jpg")});
        window.main.serve("/us.jpg", makeJpeg(40, 20, Qt::blue));
        window.start();
        WAIT_FOR_LOAD(window);
        window.click("Option1(2)");
        QTRY_VERIFY_WITH_TIMEOUT(window.main.requests.contains("/?mkt=ja-jp"), Waiting);
        window.click("Option1(3)");
        WAIT_FOR_LOAD(window);
        window.main.releaseHeld();
        QTest::qWait(300);
        QVERIFY(!window.main.requests.contains("/japan.jpg") && window.dialogs.messages.isEmpty());
        QCOMPARE(window.shown(), onScreen(QSize(40, 20)));
        QCOMPARE(readFile(window.folder.filePath("temp.jpg")), makeJpeg(40, 20, Qt::blue));
    }

    // The archive's days, with requests counted: Japan's page names no
    // picture, so its load asks for the days at once; each day is fetched
    // once, and a region goes to its newest day.
    void days()
    {
        Window window;
        window.main.serve("/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=ja-JP", {200, archive(3)});
        for (int i = 0; i < 3; ++i)
            window.main.serve(day(i), makeJpeg(100 + i, 50, Qt::blue));
        window.start();
        WAIT_FOR_LOAD(window);
        struct Step { const char *press; int day; bool back, forward; int fetched, asked; };
        for (const Step &step : {Step{"Option1(2)", 0, true, false, 2, 1}, {"Command4", 1, true, true, 2, 1}, {"Command4", 2, false, true, 2, 1},
                                 {"Command5", 1, true, true, 2, 1}, {"Command5", 0, true, false, 2, 1}, {"Command4", 1, true, true, 2, 1},
                                 {"Option1(2)", 0, true, false, 3, 2}}) {
            window.click(step.press);
            QCOMPARE(window.form->windowTitle(), Loading);
            WAIT_FOR_LOAD(window);
            QCOMPARE(window.shown(), onScreen(QSize(100 + step.day, 50)));
            QCOMPARE(window.form->picUrl(), window.main.origin() + day(step.day));
            QCOMPARE(readFile(window.folder.filePath("temp.jpg")), makeJpeg(100 + step.day, 50, Qt::blue));
            QCOMPARE(window.form->windowTitle(), caption(step.day ? QDate(2026, 12, 6 - step.day) : window.clock.date));
            QCOMPARE(window.child("Image1")->toolTip(), "Day " + QString::number(step.day));
            QCOMPARE(window.child("Command4")->isEnabled(), step.back);
            QCOMPARE(window.child("Command5")->isEnabled(), step.forward);
            QCOMPARE(window.main.requests.count(day(step.day)), step.fetched);
            QCOMPARE(window.main.requests.count("/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=ja-JP"), step.asked);
        }
        // Save and "设置背景" act on the day on display, which Alt+Left goes back from.
        window.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
        QTest::keyClick(window.form->windowHandle(), Qt::Key_Left, Qt::AltModifier);
        QTRY_COMPARE(window.form->windowTitle(), Loading); // a shortcut clicks after a moment
        WAIT_FOR_LOAD(window);
        window.dialogs.saveAnswers << window.folder.filePath("saved.jpg");
        window.click("Command1");
        window.click("Command2");
        QTRY_COMPARE_WITH_TIMEOUT(readFile(window.folder.filePath("saved.jpg")), makeJpeg(101, 50, Qt::blue), Waiting);
        QCOMPARE(window.dialogs.saveRequests[0].fileName, "OHR.D1_1920x1080.jpg");
        QTRY_COMPARE(window.wallpaper.paths.size(), 1);
        QCOMPARE(QImage(window.wallpaper.paths[0]).size(), QSize(101, 50));
        QVERIFY(window.dialogs.messages.isEmpty());
    }

    // Where the home page named the picture, the first "前一天" asks the archive.
    void daysAfterTheHomePage_data()
    {
        QTest::addColumn<QByteArray>("answer"); // the archive's
        QTest::addColumn<int>("status");        // of the day before's picture
        QTest::addColumn<int>("shown");         // the day shown after the press
        QTest::addColumn<bool>("back");         // "前一天" after the press
        QTest::newRow("the day before") << archive(2) << 200 << 1 << false;
        QTest::newRow("its picture does not arrive: said, and the day shown stays") << archive(2) << 404 << 0 << true;
        QTest::newRow("no archive: nothing said, and no day before") << QByteArray("<html>not here</html>") << 200 << 0 << false;
    }

    void daysAfterTheHomePage()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, status);
        QFETCH(int, shown);
        QFETCH(bool, back);
        Window window;
        window.main.serve("/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=zh-CN", {200, answer});
        window.main.serve(day(1), {status, makeJpeg(101, 50, Qt::blue), "image/jpeg"});
        window.start();
        WAIT_FOR_LOAD(window);
        QVERIFY(window.child("Command4")->isEnabled() && window.main.requests.size() == 2);
        window.click("Command4");
        WAIT_FOR_LOAD(window);
        QCOMPARE(window.dialogs.messages.size(), status == 404 ? 1 : 0);
        QCOMPARE(window.shown(), onScreen(shown ? QSize(101, 50) : QSize(64, 48)));
        QCOMPARE(window.child("Command4")->isEnabled(), back);
        QCOMPARE(window.child("Command5")->isEnabled(), shown > 0);
    }

    // A load that ends while the window is minimized leaves it as it was;
    // restored, it shows the new picture.
    void minimizedWindowStaysMinimized()
    {
        Window window;
        Form1 &form = window.start();
        WAIT_FOR_LOAD(window);
        const QSize before = form.frameGeometry().size();
        form.showMinimized();
        window.main.serve("/first.jpg", makeJpeg(700, 60, Qt::green));
        window.click("Option1(0)");
        WAIT_FOR_LOAD(window);
        QVERIFY(form.isMinimized() && form.frameGeometry().size() == before);
        QCOMPARE(window.shown(), onScreen(QSize(64, 48)));
        form.showNormal();
        QTRY_COMPARE(window.shown(), onScreen(QSize(700, 60)));
        QCOMPARE(form.frameGeometry().size(), window.around(window.shown()));
    }

    void closingDuringALoad()
    {
        Window window;
        window.cn.serve("/?mkt=zh-CN", {200, "", "text/html", TestServer::Fault::NeverAnswer});
        window.start();
        QTRY_VERIFY_WITH_TIMEOUT(!window.cn.requests.isEmpty(), Waiting);
        window.form->close();
        window.form.reset();
        QTRY_COMPARE(window.cn.openConnections(), 0);
        QVERIFY(window.dialogs.messages.isEmpty());
    }

    // The window fits the screen, frame and band included: the picture at its
    // own size where it can, otherwise as large as it can be with its proportions.
    void pictureFitsTheScreen()
    {
        const int frame = 30, band = 67;
        for (const auto &[screen, ratio] : {std::pair{QSize(1366, 768), 1.0}, {QSize(2560, 1440), 2.0}, {QSize(3840, 2160), 1.5}}) {
            for (const QSize picture : {QSize(640, 480), QSize(1920, 1080), QSize(3840, 2160), QSize(8000, 300)}) {
                const QSize available = (QSizeF(screen) / ratio).toSize(), own = (QSizeF(picture) / ratio).toSize();
                const QSize shown = shownSize(own, available, QSize(frame, frame), band);
                const auto fits = [&](QSize size) { return size.width() + frame <= available.width() && size.height() + frame + band <= available.height(); };
                QVERIFY(fits(shown));
                if (fits(own)) {
                    QCOMPARE(shown, own);
                    continue;
                }
                QVERIFY(shown.width() < own.width() && shown.height() < own.height() && !fits(shown + QSize(1, 1)));
                // Each side within a pixel of its share.
                QVERIFY(qAbs(shown.width() * own.height() - shown.height() * own.width()) <= std::max(own.width(), own.height()));
            }
        }
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
