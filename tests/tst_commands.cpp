#include "app/form1.h"
#include "app/translations.h"
#include "commands/about.h"
#include "commands/picturesave.h"
#include "commands/savename.h"
#include "platform/browsercontrol.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "platform/wallpaper.h"

#include "fakes.h"
#include "files.h"
#include "localhosts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Waiting = 15000; // ms, for anything that crosses the network

} // namespace

// Save picture and About.
class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void proposedName_data();
    void proposedName();
    void aboutText();
    void aboutButtonShowsTheBox();
    void messageBoxOnScreen();
    void firstSaveFolder();

    void saveWritesTheServedBytes();
    void cancelWritesNothing();
    void secondSaveOpensInTheFirstFolder();
    void failedDownloadKeepsTheFile_data();
    void failedDownloadKeepsTheFile();
    void saveBeforeAnyPictureIsSilent();
    void wallpaperIsThePictureOnDisplay();

private:
    Form1 &loadedForm();
    void clickSave();
    void waitForSaves();

    QTemporaryDir m_home;
    std::unique_ptr<LocalHosts> m_hosts;
    std::unique_ptr<QTemporaryDir> m_folder;
    FakeDialogs m_dialogs;
    FakeClock m_clock;
    FakeWallpaper m_wallpaper;
    std::unique_ptr<Form1> m_form;
    const QByteArray m_jpeg = makeJpeg(90, 60, Qt::darkGreen);
};

void TestCommands::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // The user's folders are looked up from here, never the real ones.
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (m_home.path() + "/.config").toLocal8Bit());
    QVERIFY(installChineseQtTranslations(*QCoreApplication::instance()));
}

void TestCommands::init()
{
    m_hosts = std::make_unique<LocalHosts>();
    m_folder = std::make_unique<QTemporaryDir>();
    m_dialogs = FakeDialogs();
    m_wallpaper = FakeWallpaper();
}

void TestCommands::cleanup()
{
    m_form.reset();
    m_hosts.reset();
}

Form1 &TestCommands::loadedForm()
{
    m_hosts->servePicture("/az/hprichbg?p=rb%2fLake_ZH-CN123.jpg", m_jpeg);
    m_form = std::make_unique<Form1>(platform::Services{&m_dialogs, &m_clock, m_folder->path(), &m_wallpaper});
    m_form->Form_Load();
    QLabel *image = m_form->findChild<QLabel *>(QStringLiteral("Image1"));
    auto *browser = m_form->findChild<platform::BrowserControl *>(QStringLiteral("WebBrowser1"));
    // Over once the picture shows and the browser control's copy has arrived.
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(!image->pixmap().isNull() && !browser->busy(), Waiting);
    }();
    return *m_form;
}

void TestCommands::clickSave()
{
    QTest::mouseClick(m_form->findChild<QPushButton *>(QStringLiteral("Command1")),
                      Qt::LeftButton);
}

void TestCommands::waitForSaves()
{
    QTRY_VERIFY_WITH_TIMEOUT(m_form->findChildren<commands::PictureSave *>().isEmpty(), Waiting);
}

void TestCommands::proposedName_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");

    QTest::newRow("encoded slash")
        << "http://h/az/hprichbg?p=rb%2fName_ZH-CN123.jpg" << "Name_ZH-CN123.jpg";
    QTest::newRow("two encoded slashes: after the first")
        << "http://h/a%2fb%2fc.jpg" << "b%2fc.jpg";
    QTest::newRow("ends in an encoded slash") << "http://h/a%2f" << "";
    QTest::newRow("capital F is no encoded slash") << "http://h/x/a%2Fb.jpg" << "a%2Fb.jpg";
    QTest::newRow("plain path: its last piece") << "http://h/pics/lake_0412.jpg"
                                                << "lake_0412.jpg";
    QTest::newRow("query value") << "http://h/th?id=OHR.Lake_1920x1080.jpg"
                                 << "OHR.Lake_1920x1080.jpg";
    QTest::newRow("last of several parameters") << "http://h/x?a=1&b=pic.jpg" << "pic.jpg";
    QTest::newRow("ends in a slash") << "http://h/" << "";
    QTest::newRow("ends in an ampersand") << "http://h/x?a=b&" << "";
    QTest::newRow("no separator at all") << "name.jpg" << "name.jpg";
}

void TestCommands::proposedName()
{
    QFETCH(QString, address);
    QFETCH(QString, name);
    QCOMPARE(commands::proposedSaveName(address), name);
}

void TestCommands::aboutText()
{
    const QStringList lines = commands::aboutText().split('\r');
    QCOMPARE(lines.size(), 8);
    QVERIFY(!commands::aboutText().contains('\n'));
    QCOMPARE(lines[0], "    闲暇之作，仅供娱乐。");
    QCOMPARE(lines[1], "    现在可显示九个不同国家/地区必应首页最新的图");
    QCOMPARE(lines[2], "片。并提供保存和设置为桌面背景功能。");
    QCOMPARE(lines[3], "    需要提醒大家的是，不是所有的图片都不同，每天");
    QCOMPARE(lines[4], "都会有重复的图片出现哦：）");
    QCOMPARE(lines[5], "    加载图片过程可能会较慢，加载时标题栏会有提示。");
    QCOMPARE(lines[6], "    能力有限，如有建议或疑问，可通过Email联系。");
    QVERIFY(lines[7].startsWith("    Email:") && lines[7].size() > 10 && lines[7][10] != ' ');
    QVERIFY(lines[7].contains('@'));
    QCOMPARE(commands::aboutTitle(), "关于");
}

void TestCommands::aboutButtonShowsTheBox()
{
    Form1 &form = loadedForm();
    const QString caption = form.windowTitle();
    auto *about = form.findChild<QPushButton *>(QStringLiteral("Command3"));
    QCOMPARE(about->text(), "关  于");
    for (int click = 1; click <= 2; ++click) {
        QTest::mouseClick(about, Qt::LeftButton);
        QCOMPARE(m_dialogs.messages.size(), click);
        QCOMPARE(m_dialogs.messages.last().text, commands::aboutText());
        QCOMPARE(m_dialogs.messages.last().style, platform::MessageStyle::Information);
        QCOMPARE(m_dialogs.messages.last().title, "关于");
    }
    QCOMPARE(form.windowTitle(), caption);
}

// The platform's own box: title, icon, one translated OK button, and a
// carriage return shown as a line break.
void TestCommands::messageBoxOnScreen()
{
    platform::SystemDialogs system;
    platform::Dialogs &dialogs = system;
    QWidget owner;
    dialogs.showMessage(&owner, "one\rtwo", platform::MessageStyle::Information, "关于");
    dialogs.showMessage(&owner, "plain", platform::MessageStyle::Plain);
    const QList<QMessageBox *> boxes = owner.findChildren<QMessageBox *>();
    QCOMPARE(boxes.size(), 2);

    QCOMPARE(boxes[0]->windowTitle(), "关于");
    QCOMPARE(boxes[0]->icon(), QMessageBox::Information);
    QCOMPARE(boxes[0]->text(), "one\ntwo");
    QCOMPARE(boxes[0]->buttons().size(), 1);
    QCOMPARE(boxes[0]->button(QMessageBox::Ok)->text(), "确定");
    QVERIFY(boxes[0]->isModal());

    QCOMPARE(boxes[1]->windowTitle(), "Tavelo");
    QCOMPARE(boxes[1]->icon(), QMessageBox::NoIcon);
    boxes[1]->button(QMessageBox::Ok)->click();
    QTRY_COMPARE(owner.findChildren<QMessageBox *>().size(), 1);
}

void TestCommands::firstSaveFolder()
{
    const QString documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY(documents.startsWith(m_home.path()));
    QDir(documents + "/My Pictures").removeRecursively();
    QCOMPARE(platform::firstSaveFolder(),
             QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    QVERIFY(QDir().mkpath(documents + "/My Pictures"));
    QCOMPARE(platform::firstSaveFolder(), documents + "/My Pictures/");

    Form1 &form = loadedForm();
    QCOMPARE(form.saveDialog().initialFolder, documents + "/My Pictures/");
}

void TestCommands::saveWritesTheServedBytes()
{
    Form1 &form = loadedForm();
    const QString target = m_folder->filePath("chosen.jpg");
    m_dialogs.saveAnswers.enqueue(target);
    clickSave();
    waitForSaves();

    QCOMPARE(m_dialogs.saveRequests.size(), 1);
    const platform::SaveFileRequest &asked = m_dialogs.saveRequests[0];
    QCOMPARE(asked.fileName, "Lake_ZH-CN123.jpg");
    QCOMPARE(asked.filterText, "JPG文件");
    QCOMPARE(asked.pattern, "*.jpg");
    QCOMPARE(readFile(target), m_jpeg);
    QCOMPARE(form.saveDialog().initialFolder, m_folder->path());
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestCommands::cancelWritesNothing()
{
    Form1 &form = loadedForm();
    const QString before = form.saveDialog().initialFolder;
    m_hosts->main.clearRequests();
    m_dialogs.saveAnswers.enqueue(QString()); // Cancel
    clickSave();
    QTest::qWait(100);
    QCOMPARE(m_dialogs.saveRequests.size(), 1);
    QVERIFY(m_hosts->main.requests().isEmpty());
    QCOMPARE(form.saveDialog().initialFolder, before);
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestCommands::secondSaveOpensInTheFirstFolder()
{
    loadedForm();
    QTemporaryDir elsewhere;
    m_dialogs.saveAnswers.enqueue(elsewhere.filePath("first.jpg"));
    m_dialogs.saveAnswers.enqueue(m_folder->filePath("second"));
    clickSave();
    clickSave();
    waitForSaves();
    QCOMPARE(m_dialogs.saveRequests.size(), 2);
    QCOMPARE(m_dialogs.saveRequests[1].folder, elsewhere.path());
    QCOMPARE(readFile(elsewhere.filePath("first.jpg")), m_jpeg);
    // The path is used as confirmed: no extension is added.
    QCOMPARE(readFile(m_folder->filePath("second")), m_jpeg);
}

void TestCommands::failedDownloadKeepsTheFile_data()
{
    QTest::addColumn<bool>("serverGone");
    QTest::newRow("refused by the server") << false;
    QTest::newRow("server unreachable") << true;
}

void TestCommands::failedDownloadKeepsTheFile()
{
    QFETCH(bool, serverGone);
    Form1 &form = loadedForm();
    if (serverGone)
        m_hosts->main.stopListening();
    else
        m_hosts->main.serve("/az/hprichbg?p=rb%2fLake_ZH-CN123.jpg",
                            TestServer::Response{404, "gone", "text/html"});

    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("kept.jpg");
    QVERIFY(writeFile(target, "what was there before"));
    m_dialogs.saveAnswers.enqueue(target);
    clickSave();
    waitForSaves();
    QCOMPARE(readFile(target), QByteArray("what was there before"));
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(form.saveDialog().initialFolder, elsewhere.path());
    QVERIFY(m_dialogs.messages.isEmpty());
}

void TestCommands::saveBeforeAnyPictureIsSilent()
{
    m_hosts->cn.stopListening();
    m_form = std::make_unique<Form1>(platform::Services{&m_dialogs, &m_clock, m_folder->path(), &m_wallpaper});
    m_form->Form_Load();
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages.size(), 1, Waiting); // the failed load's own message
    clickSave();
    QVERIFY(m_dialogs.saveRequests.isEmpty());
    QCOMPARE(m_dialogs.messages.size(), 1);
}

void TestCommands::wallpaperIsThePictureOnDisplay()
{
    const QDir folder(platform::wallpaperFolder());
    QVERIFY(folder.path().startsWith(m_home.path()) && QDir(folder).removeRecursively());

    // No picture yet: nothing happens.
    m_hosts->cn.stopListening();
    m_form = std::make_unique<Form1>(platform::Services{&m_dialogs, &m_clock, m_folder->path(), &m_wallpaper});
    m_form->Form_Load();
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.messages.size(), 1, Waiting);
    auto *command = m_form->findChild<QPushButton *>(QStringLiteral("Command2"));
    QCOMPARE(command->text(), "设置背景");
    QTest::mouseClick(command, Qt::LeftButton);
    QVERIFY(m_wallpaper.paths.isEmpty());
    QVERIFY(folder.isEmpty());

    m_hosts.reset();
    cleanup();
    init();
    Form1 &form = loadedForm();
    command = form.findChild<QPushButton *>(QStringLiteral("Command2"));
    QTest::mouseClick(command, Qt::LeftButton);
    QCOMPARE(m_wallpaper.paths.size(), 1);
    const QString bitmap = m_wallpaper.paths.constFirst();
    QCOMPARE(QFileInfo(bitmap).dir(), folder);
    QImageReader reader(bitmap);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    QCOMPARE(reader.read().size(), QSize(90, 60));
    QVERIFY(m_dialogs.messages.isEmpty());
    QVERIFY(QFile::exists(bitmap)); // the desktop reads it from there
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
