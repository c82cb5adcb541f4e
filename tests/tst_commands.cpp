#include "window.h"

#include "app/translations.h"
#include "commands/picturesave.h"
#include "commands/savename.h"

#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace {
const QByteArray Lake = "/az/hprichbg?p=rb%2fLake_ZH-CN123.jpg";
}

// Save picture and About.
class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(installChineseQtTranslations(*QCoreApplication::instance())); }

    void proposedName_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::newRow("encoded slash") << "http://h/az/hprichbg?p=rb%2fName_ZH-CN123.jpg" << "Name_ZH-CN123.jpg";
        QTest::newRow("two encoded slashes: after the first") << "http://h/a%2fb%2fc.jpg" << "b%2fc.jpg";
        QTest::newRow("ends in an encoded slash") << "http://h/a%2f" << "";
        QTest::newRow("capital F is no encoded slash") << "http://h/x/a%2Fb.jpg" << "a%2Fb.jpg";
        QTest::newRow("last of several parameters") << "http://h/x?a=1&b=pic.jpg" << "pic.jpg";
        QTest::newRow("archive: the id") << "https://h/th?id=OHR.Road_1920x1080.jpg&rf=L_1920x1080.jpg&pid=hp" << "OHR.Road_1920x1080.jpg";
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
        QCOMPARE(asked[1].fileName + ' ' + asked[1].filterText + ' ' + asked[1].pattern, "Lake_ZH-CN123.jpg JPG文件 *.jpg");
        QCOMPARE(asked[2].folder, elsewhere.path());
        QCOMPARE(readFile(elsewhere.filePath("first.jpg")), window.first);
        QCOMPARE(readFile(window.folder.filePath("second")), window.first);
        QCOMPARE(window.form->saveDialog().initialFolder, window.folder.path());
        QVERIFY(window.dialogs.messages.isEmpty());
    }

    void failedSaveSaysSo_data()
    {
        QTest::addColumn<int>("status");     // of the picture; 0: the server is gone
        QTest::addColumn<QString>("answer"); // the path chosen, under a fresh folder
        QTest::addColumn<int>("failure");
        QTest::newRow("refused by the server") << 404 << "kept.jpg" << 53;
        QTest::newRow("server unreachable") << 0 << "kept.jpg" << 53;
        QTest::newRow("folder may not be written") << 200 << "/proc/sys/kept.jpg" << 70; // not even by root
        QTest::newRow("a folder of that name") << 200 << "folder.jpg" << 75;
    }

    // An existing file stays as it was, and nothing half-written is left.
    void failedSaveSaysSo()
    {
        QFETCH(int, status);
        QFETCH(QString, answer);
        QFETCH(int, failure);
        Window &window = loaded();
        QTemporaryDir elsewhere;
        QVERIFY(writeFile(elsewhere.filePath("kept.jpg"), "what was there before") && QDir(elsewhere.path()).mkdir("folder.jpg"));
        if (status == 0)
            window.main.stopListening();
        window.main.serve(Lake, {status, "gone"});
        window.dialogs.saveAnswers << QDir(elsewhere.path()).filePath(answer);
        window.click("Command1");
        QTRY_COMPARE_WITH_TIMEOUT(window.dialogs.messages.size(), 1, Waiting);
        QCOMPARE(window.dialogs.messages[0].text, QString("发生错误，错误号 %1。").arg(failure));
        QCOMPARE(readFile(elsewhere.filePath("kept.jpg")), QByteArray("what was there before"));
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({"folder.jpg", "kept.jpg"}));
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
        for (const char *command : {"Command1", "Command2", "Command4", "Command5"})
            window.click(command);
        QTest::qWait(100);
        QVERIFY(window.dialogs.saveRequests.isEmpty() && window.wallpaper.paths.isEmpty() && window.dialogs.messages.size() == 1);
    }

    // A click, then Enter and Space on the button that has the focus; and
    // the platform's own box: the application's name as its title, its icon,
    // one translated OK button, and a carriage return shown as a line break.
    void aboutBox()
    {
        Window &window = loaded();
        window.click("Command3");
        QTest::keyClick(window.child("Command3"), Qt::Key_Return);
        QTest::keyClick(window.child("Command3"), Qt::Key_Space);
        QTRY_COMPARE(window.dialogs.messages.size(), 3);
        for (const FakeDialogs::Message &shown : std::as_const(window.dialogs.messages)) {
            QVERIFY(shown.text.startsWith("    闲暇之作") && shown.text.contains("\r片。") && shown.text.contains("\r    Email:"));
            QVERIFY(shown.text.count('\r') == 7 && !shown.text.contains('\n') && !shown.text.endsWith('\r'));
            QVERIFY(shown.style == platform::MessageStyle::Information && shown.title == "关于");
        }
        platform::SystemDialogs().showMessage(window.form.get(), "one\rtwo", platform::MessageStyle::Information, {});
        auto *box = window.form->findChild<QMessageBox *>();
        QCOMPARE(box->windowTitle() + ' ' + box->text(), "Tavelo one\ntwo");
        QVERIFY(box->icon() == QMessageBox::Information && box->isModal() && box->buttons().size() == 1);
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

    std::unique_ptr<Window> m_window;
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
