#include "window.h"

#include "app/translations.h"
#include "commands/picturesave.h"

#include <QMessageBox>
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
    for (int day = 0; day < days; ++day)
        images << R"({"urlbase":"/th?id=OHR.D)" + QByteArray::number(day) + R"(","startdate":"2026120)" + QByteArray::number(6 - day)
                      + R"(","copyright":"Day )" + QByteArray::number(day) + "\"}";
    return R"({"images":[)" + images.join(',') + "]}";
}

QByteArray day(int day) { return "/th?id=OHR.D" + QByteArray::number(day) + "_1920x1080.jpg"; }
} // namespace

// The window: its controls, start-up, the load caption, Save and About, the days of the archive.
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
            QVERIFY(control->geometry() == screenTwips().pixels(twips) && control->isVisibleTo(window.form.get()) == (qstrcmp(name, "Text2") != 0));
            QCOMPARE(control->property("text").toString(), QString::fromUtf8(text));
        }
        auto *option = window.child<QRadioButton>("Option1(0)");
        QVERIFY(option->isChecked() && option->font().family() == "宋体" && option->font().pointSizeF() == 10.5);
        QVERIFY(!(window.form->windowFlags() & Qt::WindowMaximizeButtonHint) && window.form->windowIcon().availableSizes().contains(QSize(256, 256)));
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
        QVERIFY(form.windowTitle() == Loading && form.isVisible());
        WAIT_FOR_LOAD(window);
        QCOMPARE(form.windowTitle(), caption(window.clock.today()));
        QCOMPARE(form.picUrl(), window.main.origin() + "/first.jpg");
        QCOMPARE(window.shown(), onScreen(QSize(64, 48)));
        QCOMPARE(window.child("Image1")->pos(), QPoint(0, screenTwips().pixels(layout::Image1.y())));
        // Never narrower than the controls, 1000 twips taller, not resizable.
        QVERIFY(form.frameGeometry().size() == window.around(window.shown()) && form.minimumSize() == form.maximumSize());
        const QString cached = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/temp.jpg";
        QCOMPARE(readFile(cached), window.first);
        QCOMPARE(window.main.requests.count("/first.jpg"), 2); // the browser control's copy and the download
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
        QVERIFY(form.windowTitle() == Loading && window.child<QTimer>("Timer1")->interval() == 1000);
        window.main.serve("/first.jpg", window.first);
        QSignalSpy captions(&form, &QWidget::windowTitleChanged);
        window.click("Option1(0)");
        window.click("Option1(0)"); // still armed: arming again changes nothing more
        WAIT_FOR_LOAD(window);
        QCOMPARE(captions.size() == 1 ? captions[0][0].toString() : QString(), caption(window.clock.today()));
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
        QVERIFY(window.shown() == onScreen(QSize(40, 20)) && readFile(window.folder.filePath("temp.jpg")) == makeJpeg(40, 20, Qt::blue));
    }

    // Save: Cancel writes nothing; the path is used as confirmed, with no
    // extension added; each save opens where the one before saved; a file
    // that may not be written is said so. About: a click, Enter and Space on
    // the focused button, and the platform's own box, translated.
    void saveAndAbout()
    {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(QDir().mkpath(documents + "/My Pictures") && installChineseQtTranslations(*QCoreApplication::instance()));
        Window window;
        const QByteArray lake = "/az/hprichbg?p=rb%2fLake_ZH-CN123.jpg";
        window.cn.serve("/?mkt=zh-CN", {200, homePage(lake)});
        window.main.serve(lake, window.first);
        window.start();
        WAIT_FOR_LOAD(window);
        QTemporaryDir elsewhere;
        window.dialogs.saveAnswers << QString() << elsewhere.filePath("first.jpg") << "/proc/sys/kept.jpg" << window.folder.filePath("second");
        window.main.requests.clear();
        for (int save = 0; save < 4; ++save)
            window.click("Command1");
        QTRY_VERIFY_WITH_TIMEOUT(window.form->findChildren<commands::PictureSave *>().isEmpty(), Waiting);
        const QList<platform::SaveFileRequest> &asked = window.dialogs.saveRequests;
        QCOMPARE(asked[1].folder + ' ' + asked[1].fileName + ' ' + asked[1].filterText + ' ' + asked[1].pattern,
                 documents + "/My Pictures/ Lake_ZH-CN123.jpg JPG文件 *.jpg");
        QCOMPARE(asked[2].folder, elsewhere.path());
        QCOMPARE(readFile(elsewhere.filePath("first.jpg")) + readFile(window.folder.filePath("second")), window.first + window.first);
        QCOMPARE(window.form->saveDialog().initialFolder + ' ' + QString::number(window.main.requests.size()), window.folder.path() + " 3");
        QCOMPARE(window.dialogs.messages.value(0).text, "发生错误，错误号 70。");
        window.click("Command3");
        QTest::keyClick(window.child("Command3"), Qt::Key_Return);
        QTest::keyClick(window.child("Command3"), Qt::Key_Space);
        QTRY_COMPARE(window.dialogs.messages.size(), 4);
        const FakeDialogs::Message about = window.dialogs.messages[3];
        QVERIFY(about.text.startsWith("    闲暇之作") && about.text.contains("\r片。") && about.text.contains("\r    Email:"));
        QVERIFY(about.text.count('\r') == 7 && !about.text.contains('\n') && !about.text.endsWith('\r'));
        QVERIFY(about.style == platform::MessageStyle::Information && about.title == "关于");
        platform::SystemDialogs().showMessage(window.form.get(), "one\rtwo", platform::MessageStyle::Information, {});
        auto *box = window.form->findChild<QMessageBox *>();
        QCOMPARE(box->windowTitle() + ' ' + box->text() + ' ' + box->button(QMessageBox::Ok)->text(), "Tavelo one\ntwo 确定");
        QVERIFY(box->icon() == QMessageBox::Information && box->isModal() && box->buttons().size() == 1);
    }

    // The archive's days, with requests counted: Japan's page names no
    // picture, so its load asks for the days at once; each day is fetched
    // once, and a region goes to its newest day.
    void days()
    {
        Window window;
        const QByteArray japan = "/HPImageArchive.aspx?format=js&idx=0&n=8&mbl=1&mkt=ja-JP";
        window.main.serve(japan, {200, archive(3)});
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
            QCOMPARE(readFile(window.folder.filePath("temp.jpg")), makeJpeg(100 + step.day, 50, Qt::blue));
            // The address, the caption's date, the credit, the buttons, the requests for the day and the days.
            QCOMPARE(QStringList({window.form->picUrl(), window.form->windowTitle(), window.child("Image1")->toolTip(),
                                  QString("%1 %2").arg(window.child("Command4")->isEnabled()).arg(window.child("Command5")->isEnabled()),
                                  QString("%1 %2").arg(window.main.requests.count(day(step.day))).arg(window.main.requests.count(japan))}),
                     QStringList({window.main.origin() + day(step.day), caption(step.day ? QDate(2026, 12, 6 - step.day) : window.clock.today()),
                                  "Day " + QString::number(step.day), QString("%1 %2").arg(step.back).arg(step.forward),
                                  QString("%1 %2").arg(step.fetched).arg(step.asked)}));
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
        QTRY_COMPARE(window.wallpaper.paths.size(), 1);
        QCOMPARE(QImage(window.wallpaper.paths[0]).size(), QSize(101, 50));
        QVERIFY(window.dialogs.saveRequests[0].fileName == "OHR.D1_1920x1080.jpg" && window.dialogs.messages.isEmpty());
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
        QCOMPARE(window.dialogs.texts(), status == 404 ? QStringList{"发生错误，错误号 53。"} : QStringList());
        QCOMPARE(window.shown(), onScreen(shown ? QSize(101, 50) : QSize(64, 48)));
        QVERIFY(window.child("Command4")->isEnabled() == back && window.child("Command5")->isEnabled() == (shown > 0));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
