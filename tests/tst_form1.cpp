#include "window.h"

#include "app/fit.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QStandardPaths>
#include <QTimer>

namespace {
const QString Loading = QStringLiteral("图片加载中，请稍候...");
}

// The window: its controls, start-up, the regions, the load caption, and
// fitting the screen.
class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void controls_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("Option1(0)") << "中国" << layout::Option1[0];
        QTest::newRow("Option1(8)") << "澳大利亚" << layout::Option1[8];
        QTest::newRow("Command3") << "关  于" << layout::Command3;
        QTest::newRow("WebBrowser1") << "" << layout::WebBrowser1;
        QTest::newRow("Text2") << "" << layout::Text2;
    }

    void controls()
    {
        QFETCH(QString, text);
        QFETCH(QRect, twips);
        const QString name = QTest::currentDataTag();
        Window window;
        window.form = std::make_unique<Form1>(platform::Services{window.dialogs, window.clock, window.wallpaper, {}});
        QCOMPARE(window.form->windowTitle(), "B");
        QWidget *control = window.child(name);
        QCOMPARE(control->geometry(), Window::twips().pixels(twips));
        QCOMPARE(control->property("text").toString(), text);
        QCOMPARE(control->isVisibleTo(window.form.get()), name != "Text2");
        if (auto *option = qobject_cast<QRadioButton *>(control)) {
            QCOMPARE(option->font().family() + ' ' + QString::number(option->font().pointSizeF()), "宋体 10.5");
            QCOMPARE(option->isChecked(), name == "Option1(0)");
        }
        QVERIFY(!(window.form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.form->windowIcon().availableSizes().contains(QSize(256, 256)));
    }

    void tabOrderFollowsTheIndex()
    {
        Window window;
        window.start();
        QStringList order;
        for (QWidget *widget = window.child("Option1(0)"); order.size() < 12; widget = widget->nextInFocusChain()) {
            if (widget->focusPolicy() != Qt::NoFocus && widget->isVisible())
                order << widget->objectName();
        }
        QCOMPARE(order, QStringList({"Option1(0)", "Option1(1)", "Option1(2)", "Option1(3)", "Option1(4)", "Option1(5)",
                                     "Option1(6)", "Option1(7)", "Option1(8)", "Command1", "Command2", "Command3"}));
    }

    void firstPictureFillsTheWindow()
    {
        Window window;
        Form1 &form = window.start();
        QCOMPARE(form.windowTitle(), Loading);
        QVERIFY(form.isVisible());
        WAIT_FOR_LOAD(window);
        QCOMPARE(form.windowTitle(), window.caption(window.clock.date));
        QCOMPARE(form.picUrl(), window.main.origin() + "/first.jpg");
        QCOMPARE(window.shown(), Window::onScreen(QSize(64, 48)));
        QCOMPARE(window.child("Image1")->pos(), QPoint(0, Window::twips().pixels(layout::Image1.y())));
        // Never narrower than the controls, 1000 twips taller, not resizable.
        QCOMPARE(form.frameGeometry().size(), window.around(window.shown()));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(readFile(window.folder.filePath("temp.jpg")), window.first);
        // The browser control and the download each fetch the picture.
        QCOMPARE(window.main.requests.count("/first.jpg"), 2);
        form.close();
        QVERIFY(!QFile::exists(window.folder.filePath("temp.jpg")));
        QVERIFY(window.dialogs.messages.isEmpty());
    }

    // A host written with "https://" is reached over TLS, and its pictures too;
    // where the program folder is not writable, the picture goes to the cache.
    void httpsIntoTheCache()
    {
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        trusting.addCaCertificates(testCertificate());
        QSslConfiguration::setDefaultConfiguration(trusting);
        Window window;
        TestServer secure(true);
        secure.serve("/?mkt=zh-CN", {200, homePage("/secure.jpg")});
        secure.serve("/secure.jpg", window.first);
        qputenv("TAVELO_CN_HOST", "https://" + secure.hostAndPort().toLatin1());
        qputenv("TAVELO_MAIN_HOST", "https://" + secure.hostAndPort().toLatin1());
        Form1 &form = window.start(QStringLiteral("/proc")); // not writable, not even for root
        WAIT_FOR_LOAD(window);
        QVERIFY(window.dialogs.messages.isEmpty());
        QCOMPARE(form.picUrl(), "https://" + secure.hostAndPort() + "/secure.jpg");
        const QString cached = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/temp.jpg";
        QCOMPARE(form.pictureFile(), cached);
        QCOMPARE(readFile(cached), window.first);
        form.close();
        QVERIFY(!QFile::exists(cached));
    }

    // No network at start-up: the message, the empty picture area kept, and
    // the caption ended at the next tick although no picture came.
    void startWithoutNetwork()
    {
        Window window;
        window.cn.stopListening();
        Form1 &form = window.start();
        QTRY_COMPARE_WITH_TIMEOUT(window.dialogs.messages.size(), 1, Waiting);
        QCOMPARE(window.dialogs.messages[0].text, "发生错误，此问题常发生在不能连接bing服务器。");
        QVERIFY(window.dialogs.messages[0].style == platform::MessageStyle::Plain && window.dialogs.messages[0].title.isEmpty());
        QVERIFY(form.picUrl().isEmpty() && window.shown().isEmpty());
        QCOMPARE(form.frameGeometry().size(), window.around(Window::twips().pixels(layout::Image1).size())); // the design size
        QCOMPARE(form.windowTitle(), Loading);
        WAIT_FOR_LOAD(window);
        QCOMPARE(form.windowTitle(), window.caption(window.clock.date));
        form.close(); // with no picture file: quietly
        QCOMPARE(window.dialogs.messages.size(), 1);
    }

    // One region of each host (the addresses are checked in tst_retrieval).
    void eachRegionAsksItsServer_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QByteArray>("pathAndQuery");
        QTest::newRow("中国") << 0 << "cn" << QByteArray("/?mkt=zh-CN");
        QTest::newRow("香港") << 1 << "hk" << QByteArray("/");
        QTest::newRow("日本") << 2 << "main" << QByteArray("/?mkt=ja-jp");
    }

    void eachRegionAsksItsServer()
    {
        QFETCH(int, index);
        QFETCH(QString, host);
        QFETCH(QByteArray, pathAndQuery);
        Window window;
        TestServer &server = host == "cn" ? window.cn : host == "hk" ? window.hk : window.main;
        server.serve(pathAndQuery, {200, homePage("/region.jpg")});
        window.main.serve("/region.jpg", makeJpeg(200 + index, 100, Qt::darkBlue));
        Form1 &form = window.start();
        WAIT_FOR_LOAD(window);
        server.requests.clear();
        window.click(QStringLiteral("Option1(%1)").arg(index));
        QCOMPARE(form.windowTitle(), Loading);
        WAIT_FOR_LOAD(window);
        QVERIFY(window.dialogs.messages.isEmpty());
        QCOMPARE(server.requests.value(0), pathAndQuery);
        QCOMPARE(window.shown(), Window::onScreen(QSize(200 + index, 100)));
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
        QCOMPARE(captions[0][0].toString(), window.caption(window.clock.date));
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
        QCOMPARE(window.shown(), Window::onScreen(QSize(40, 20)));
        QCOMPARE(readFile(window.folder.filePath("temp.jpg")), makeJpeg(40, 20, Qt::blue));
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
        QVERIFY(form.isMinimized());
        QCOMPARE(window.shown(), Window::onScreen(QSize(64, 48)));
        QCOMPARE(form.frameGeometry().size(), before);
        form.showNormal();
        QTRY_COMPARE(window.shown(), Window::onScreen(QSize(700, 60)));
        QCOMPARE(form.frameGeometry().size(), window.around(window.shown()));
        QVERIFY(window.dialogs.messages.isEmpty());
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

    void pictureFitsTheScreen_data()
    {
        QTest::addColumn<QSize>("screen"); // in pixels
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QSize>("picture"); // in pixels
        for (const auto &[screen, ratio] : QList<QPair<QSize, double>>{{{1366, 768}, 1}, {{2560, 1440}, 2}, {{3840, 2160}, 1.5}}) {
            for (const QSize picture : {QSize(640, 480), QSize(1920, 1080), QSize(3840, 2160), QSize(8000, 300)})
                QTest::addRow("%dx%d@%g, %dx%d", screen.width(), screen.height(), ratio, picture.width(), picture.height())
                    << screen << ratio << picture;
        }
    }

    // The window fits the screen, frame and band included: the picture at its
    // own size where it can, otherwise as large as it can be with its proportions.
    void pictureFitsTheScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(double, ratio);
        QFETCH(QSize, picture);
        const QSize available = (QSizeF(screen) / ratio).toSize(), own = (QSizeF(picture) / ratio).toSize();
        const int frame = 30, band = 67;
        const QSize shown = shownSize(own, available, QSize(frame, frame), band);
        const auto fits = [&](QSize size) {
            return size.width() + frame <= available.width() && size.height() + frame + band <= available.height();
        };
        QVERIFY(fits(shown));
        if (fits(own)) {
            QCOMPARE(shown, own);
            return;
        }
        QVERIFY(shown.width() < own.width() && shown.height() < own.height() && !fits(shown + QSize(1, 1)));
        // Each side within a pixel of its share.
        QVERIFY(qAbs(shown.width() * own.height() - shown.height() * own.width()) <= std::max(own.width(), own.height()));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
