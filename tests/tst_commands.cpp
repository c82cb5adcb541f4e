#include "window.h"

#include "app/translations.h"
#include "commands/picturesave.h"
#include "commands/savename.h"

#include <QImageReader>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace {
const QByteArray Lake = "/az/hprichbg?p=rb%2fLake_ZH-CN123.jpg";
}

// Save picture, set as wallpaper, and About.
class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The user's folders are looked up under here, never the real ones.
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/.config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (m_home.path() + "/.local/share").toLocal8Bit());
        QVERIFY(installChineseQtTranslations(*QCoreApplication::instance()));
    }

    void proposedName_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::newRow("encoded slash") << "http://h/az/hprichbg?p=rb%2fName_ZH-CN123.jpg" << "Name_ZH-CN123.jpg";
        QTest::newRow("two encoded slashes: after the first") << "http://h/a%2fb%2fc.jpg" << "b%2fc.jpg";
        QTest::newRow("ends in an encoded slash") << "http://h/a%2f" << "";
        QTest::newRow("capital F is no encoded slash") << "http://h/x/a%2Fb.jpg" << "a%2Fb.jpg";
        QTest::newRow("last of several parameters") << "http://h/x?a=1&b=pic.jpg" << "pic.jpg";
        QTest::newRow("archive: the id") << "https://h/th?id=OHR.Road_ROW97_1920x1080.jpg&rf=LaDigue_1920x1080.jpg&pid=hp"
                                         << "OHR.Road_ROW97_1920x1080.jpg";
        QTest::newRow("archive: an id in capitals") << "https://h/th?pid=hp&id=OHR.ROAD.JPG" << "OHR.ROAD.JPG";
        QTest::newRow("archive: an id of no picture") << "https://h/th?id=OHR.Road&pid=hp" << "hp";
    }

    void proposedName()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QCOMPARE(commands::proposedSaveName(address), name);
    }

    // Cancel writes nothing; the path is used as confirmed, with no extension
    // added; each save opens where the one before saved.
    void saveWritesTheServedBytes()
    {
        Window &window = loaded();
        QTemporaryDir elsewhere;
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(window.form->saveDialog().initialFolder, documents + "/My Pictures/");
        window.dialogs.saveAnswers << QString() << elsewhere.filePath("first.jpg") << window.folder.filePath("second");
        window.main.requests.clear();
        for (int save = 0; save < 3; ++save)
            window.click("Command1");
        QTRY_VERIFY_WITH_TIMEOUT(window.form->findChildren<commands::PictureSave *>().isEmpty(), Waiting);
        QCOMPARE(window.main.requests.size(), 2);
        const QList<platform::SaveFileRequest> &asked = window.dialogs.saveRequests;
        QCOMPARE(asked[1].folder, documents + "/My Pictures/");
        QCOMPARE(asked[1].fileName, "Lake_ZH-CN123.jpg");
        QCOMPARE(asked[1].filterText + ' ' + asked[1].pattern, "JPG文件 *.jpg");
        QCOMPARE(asked[2].folder, elsewhere.path());
        QCOMPARE(readFile(elsewhere.filePath("first.jpg")), window.first);
        QCOMPARE(readFile(window.folder.filePath("second")), window.first);
        QCOMPARE(window.form->saveDialog().initialFolder, window.folder.path());
        QVERIFY(window.dialogs.messages.isEmpty());
    }

    void failedSaveSaysSo_data()
    {
        QTest::addColumn<int>("how"); // 0 refused by the server, 1 server gone, 2 other
        QTest::addColumn<QString>("answer"); // the path chosen, under a fresh folder
        QTest::addColumn<QString>("message");
        QTest::newRow("refused by the server") << 0 << "kept.jpg" << "发生错误，错误号 53。";
        QTest::newRow("server unreachable") << 1 << "kept.jpg" << "发生错误，错误号 53。";
        // Not even root may create files there.
        QTest::newRow("folder may not be written") << 2 << "/proc/sys/kept.jpg" << "发生错误，错误号 70。";
        QTest::newRow("a folder of that name") << 2 << "folder.jpg" << "发生错误，错误号 75。";
    }

    // An existing file stays as it was, and nothing half-written is left.
    void failedSaveSaysSo()
    {
        QFETCH(int, how);
        QFETCH(QString, answer);
        QFETCH(QString, message);
        Window &window = loaded();
        QTemporaryDir elsewhere;
        QVERIFY(writeFile(elsewhere.filePath("kept.jpg"), "what was there before") && QDir(elsewhere.path()).mkdir("folder.jpg"));
        if (how == 1)
            window.main.stopListening();
        window.main.serve(Lake, {how == 0 ? 404 : 200, "gone"});
        window.dialogs.saveAnswers << QDir(elsewhere.path()).filePath(answer);
        window.click("Command1");
        QTRY_COMPARE_WITH_TIMEOUT(window.dialogs.messages.size(), 1, Waiting);
        QCOMPARE(window.dialogs.messages[0].text, message);
        QCOMPARE(readFile(elsewhere.filePath("kept.jpg")), QByteArray("what was there before"));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"folder.jpg", "kept.jpg"}));
    }

    // Also: without "My Pictures", the first Save folder is Pictures.
    void commandsBeforeAnyPictureAreSilent()
    {
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/My Pictures").removeRecursively();
        Window window;
        window.cn.stopListening();
        window.start();
        QTRY_COMPARE_WITH_TIMEOUT(window.dialogs.messages.size(), 1, Waiting); // the load's own
        QCOMPARE(window.form->saveDialog().initialFolder, QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
        window.click("Command1");
        window.click("Command2");
        QTest::qWait(100);
        QVERIFY(window.dialogs.saveRequests.isEmpty() && window.wallpaper.paths.isEmpty());
        QCOMPARE(window.dialogs.messages.size(), 1);
    }

    void wallpaperIsThePictureOnDisplay()
    {
        Window &window = loaded();
        window.click("Command2");
        QTRY_COMPARE(window.wallpaper.paths.size(), 1);
        QVERIFY(window.wallpaper.paths[0].startsWith(m_home.path() + "/.local/share/Tavelo/"));
        QImageReader reader(window.wallpaper.paths[0]);
        QCOMPARE(reader.format(), QByteArray("bmp"));
        QCOMPARE(reader.read().size(), QSize(64, 48));
        QVERIFY(window.dialogs.messages.isEmpty());
    }

    // A click, then Enter and Space on the button that has the focus.
    void aboutBox()
    {
        Window &window = loaded();
        const QString caption = window.form->windowTitle();
        window.click("Command3");
        QTest::keyClick(window.child("Command3"), Qt::Key_Return);
        QTest::keyClick(window.child("Command3"), Qt::Key_Space);
        QTRY_COMPARE(window.dialogs.messages.size(), 3);
        for (const FakeDialogs::Message &shown : std::as_const(window.dialogs.messages)) {
            QVERIFY(shown.text.startsWith("    闲暇之作") && shown.text.contains("\r片。") && shown.text.contains("\r    Email:"));
            QVERIFY(shown.text.count('\r') == 7 && !shown.text.contains('\n') && !shown.text.endsWith('\r'));
            QCOMPARE(shown.style, platform::MessageStyle::Information);
            QCOMPARE(shown.title, "关于");
        }
        QCOMPARE(window.form->windowTitle(), caption);
    }

    // The platform's own box: the application's name as its title, its icon,
    // one translated OK button, and a carriage return shown as a line break.
    void messageBoxOnScreen()
    {
        QWidget owner;
        QCoreApplication::setApplicationName("Tavelo");
        platform::SystemDialogs().showMessage(&owner, "one\rtwo", platform::MessageStyle::Information, {});
        auto *box = owner.findChild<QMessageBox *>();
        QCOMPARE(box->windowTitle(), "Tavelo");
        QCOMPARE(box->icon(), QMessageBox::Information);
        QCOMPARE(box->text(), "one\ntwo");
        QVERIFY(box->isModal() && box->buttons().size() == 1);
        QCOMPARE(box->button(QMessageBox::Ok)->text(), "确定");
    }

private:
    // A window that shows the picture named by an address with an encoded slash.
    Window &loaded()
    {
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/My Pictures");
        m_window.reset(); // before the new one points the hosts at its servers
        m_window = std::make_unique<Window>();
        m_window->cn.serve("/?mkt=zh-CN", {200, homePage(Lake)});
        m_window->main.serve(Lake, m_window->first);
        m_window->start();
        [this] { WAIT_FOR_LOAD(*m_window); }();
        return *m_window;
    }

    QTemporaryDir m_home;
    std::unique_ptr<Window> m_window;
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
