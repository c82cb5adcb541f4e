#pragma once

#include "testserver.h"

#include "app/form1.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/wallpaper.h"
#include "platform/wholefile.h"

#include <QProcess>
#include <QQueue>
#include <QTemporaryDir>
#include <QTest>

using platform::readWhole;

// How long a test waits for anything that crosses the network (ms).
inline constexpr int Waiting = 20000;

// One row of a data table: its name, then a value for each column.
template<typename... Values>
void row(const char *name, Values... values)
{
    (QTest::newRow(name) << ... << values);
}

// Boxes and save dialogs that remember what they were asked; a save dialog
// answers with the next queued path, or Cancel.
struct FakeDialogs final : platform::Dialogs
{
    struct Message
    {
        QString text;
        platform::MessageStyle style;
        QString title;
    };
    void showMessage(QWidget *, const QString &text, platform::MessageStyle style,
                     const QString &title) override
    {
        messages.append({ text, style, title });
    }
    void askSaveFileName(QWidget *, const platform::SaveFileRequest &request,
                         std::function<void(const QString &)> chosen) override
    {
        saveRequests.append(request);
        chosen(saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue());
    }
    QStringList texts() const;

    QList<Message> messages;
    QList<platform::SaveFileRequest> saveRequests;
    QQueue<QString> saveAnswers;
};

// Remembers the files it was asked to make the wallpaper; answers at once.
struct FakeWallpaper final : platform::Wallpaper
{
    void setWallpaper(const QString &bitmapPath, Done done) override
    {
        paths.append(bitmapPath);
        done(takes);
    }
    QStringList paths;
    bool takes = true;
};

struct FakeClock final : platform::Clock
{
    QDate today() const override { return QDate(2026, 3, 14); }
};

// Tavelo's window with stand-ins for the desktop, in a folder of its own,
// against three local servers; China's page names /first.jpg, 64 x 48.
struct Window
{
    Window();
    ~Window();

    // Builds the window and starts it as the program does.
    Form1 &start(const QString &programFolder = {});
    // One tick of the load watcher; true once it has stopped.
    bool loadOver();
    // Clicks a control, or triggers an action of the window's.
    void click(const QString &control);
    template<typename T = QWidget>
    T *child(const QString &name) const
    {
        return form->findChild<T *>(name);
    }
    // The picture's size on screen, in logical pixels.
    QSize shown() const;
    // The window's outer size around a picture shown at that size.
    QSize around(QSize shown) const;

    TestServer cn, hk, main;
    QTemporaryDir folder;
    FakeDialogs dialogs;
    FakeClock clock;
    FakeWallpaper wallpaper;
    QString keptFolder; // none kept unless a test says where
    const QByteArray first = makeJpeg(64, 48, Qt::red);
    std::unique_ptr<Form1> form;
};

#define WAIT_FOR_LOAD(window) QTRY_VERIFY_WITH_TIMEOUT((window).loadOver(), Waiting)

Twips screenTwips();
// A picture's own size on the screen, one of its pixels to one of the screen's.
QSize onScreen(QSize pixels);
QString caption(QDate date);

// A session bus of the test's own while it lives.
struct PrivateBus
{
    PrivateBus();
    ~PrivateBus();
    QTemporaryDir folder;
    QProcess daemon;
    QString address;
};
