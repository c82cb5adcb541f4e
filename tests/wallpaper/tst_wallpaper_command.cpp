// "设置背景": the bitmap written, the failures reported, and the folder used.

#include "commands/setwallpaper.h"
#include "platform/wallpaper.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class RecordingWallpaper : public platform::Wallpaper
{
public:
    void setWallpaper(const QString &bitmapPath) override { paths.append(bitmapPath); }
    QStringList paths;
};

QImage pattern(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x + y) * 25 % 256));
    }
    return image.convertToFormat(format);
}

} // namespace

class TestWallpaperCommand : public QObject
{
    Q_OBJECT

private slots:
    void writesBitmapOfPicture_data();
    void writesBitmapOfPicture();
    void nextClickReplacesBitmap();
    void noPictureDoesNothing();
    void failures_data();
    void failures();
    void folder_data();
    void folder();
};

void TestWallpaperCommand::writesBitmapOfPicture_data()
{
    QTest::addColumn<QImage>("picture");
    // Widths that need row padding in a bitmap, as well as ones that do not.
    QTest::newRow("4x3 RGB32") << pattern(4, 3, QImage::Format_RGB32);
    QTest::newRow("5x7 RGB888") << pattern(5, 7, QImage::Format_RGB888);
    QTest::newRow("1366x768 ARGB32") << pattern(1366, 768, QImage::Format_ARGB32);
}

void TestWallpaperCommand::writesBitmapOfPicture()
{
    QFETCH(QImage, picture);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    RecordingWallpaper wallpaper;

    QCOMPARE(commands::setAsWallpaper(picture, folder.path(), wallpaper), 0);

    const QString path = folder.filePath(QStringLiteral("temp.bmp"));
    QCOMPARE(wallpaper.paths, QStringList{path});
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage written = reader.read();
    QCOMPARE(written.convertToFormat(QImage::Format_RGB32),
             picture.convertToFormat(QImage::Format_RGB32));
}

void TestWallpaperCommand::nextClickReplacesBitmap()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    RecordingWallpaper wallpaper;
    QImage red(8, 6, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage second = pattern(3, 9, QImage::Format_RGB32);

    QCOMPARE(commands::setAsWallpaper(red, folder.path(), wallpaper), 0);
    QCOMPARE(commands::setAsWallpaper(second, folder.path(), wallpaper), 0);

    const QString path = folder.filePath(QStringLiteral("temp.bmp"));
    QCOMPARE(wallpaper.paths, (QStringList{path, path}));
    QCOMPARE(QImage(path, "BMP").convertToFormat(QImage::Format_RGB32), second);
    // Nothing else is left behind, half-written files included.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("temp.bmp")});
}

void TestWallpaperCommand::noPictureDoesNothing()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    RecordingWallpaper wallpaper;

    QCOMPARE(commands::setAsWallpaper(QImage(), folder.path(), wallpaper), 0);
    // Even with no folder to be had, no picture means no failure.
    QCOMPARE(commands::setAsWallpaper(QImage(), QString(), wallpaper), 0);

    QVERIFY(QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QVERIFY(wallpaper.paths.isEmpty());
}

void TestWallpaperCommand::failures_data()
{
    QTest::addColumn<QString>("folderName"); // under a fresh temporary folder
    QTest::addColumn<qint32>("failure");
    QTest::newRow("no folder to be had") << QString() << commands::PathNotFound;
    QTest::newRow("folder missing") << QStringLiteral("missing") << commands::PathFileAccessError;
    // A plain file where the folder should be cannot be written into, not even by root.
    QTest::newRow("folder is a file") << QStringLiteral("file") << commands::PathFileAccessError;
    QTest::newRow("temp.bmp is a folder")
        << QStringLiteral("held") << commands::PathFileAccessError;
}

void TestWallpaperCommand::failures()
{
    QFETCH(QString, folderName);
    QFETCH(qint32, failure);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QFile plainFile(root.filePath(QStringLiteral("file")));
    QVERIFY(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("held/temp.bmp")));
    const QString folder = folderName.isEmpty() ? QString() : root.filePath(folderName);
    RecordingWallpaper wallpaper;

    QCOMPARE(commands::setAsWallpaper(pattern(4, 4, QImage::Format_RGB32), folder, wallpaper),
             failure);

    QVERIFY(wallpaper.paths.isEmpty());
    QVERIFY(!QFileInfo(root.filePath(QStringLiteral("missing"))).exists());
    QVERIFY(QFileInfo(root.filePath(QStringLiteral("held/temp.bmp"))).isDir());
    // No half-written file stays beside the one that could not be replaced.
    QCOMPARE(QDir(root.filePath(QStringLiteral("held"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("temp.bmp")});
}

void TestWallpaperCommand::folder_data()
{
    QTest::addColumn<QString>("dataHome"); // under a fresh temporary folder
    QTest::addColumn<QString>("expected");
    QTest::newRow("Tavelo's folder in the user's data") << "data" << "data/Tavelo";
    QTest::newRow("empty when it cannot be made") << "file/data" << "";
}

void TestWallpaperCommand::folder()
{
    QFETCH(QString, dataHome);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QFile plainFile(root.filePath(QStringLiteral("file")));
    QVERIFY(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(dataHome)));
    QCoreApplication::setApplicationName(QStringLiteral("Tavelo"));

    const QString folder = platform::wallpaperFolder();

    QCOMPARE(folder, expected.isEmpty() ? QString() : root.filePath(expected));
    QVERIFY(expected.isEmpty() || QFileInfo(folder).isDir());
}

QTEST_GUILESS_MAIN(TestWallpaperCommand)
#include "tst_wallpaper_command.moc"
