#pragma once

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/wallpaper.h"

#include <QList>
#include <QQueue>

// Message boxes and save dialogs that answer on their own and remember what
// they were asked.
class FakeDialogs final : public platform::Dialogs
{
public:
    struct Message
    {
        QString text;
        platform::MessageStyle style;
        QString title;
    };

    void showMessage(QWidget *, const QString &text, platform::MessageStyle style,
                     const QString &title) override
    {
        messages.append({text, style, title});
    }

    // Answers with the next queued path; an empty one is Cancel.
    void askSaveFileName(QWidget *, const platform::SaveFileRequest &request,
                         std::function<void(const QString &)> chosen) override
    {
        saveRequests.append(request);
        chosen(saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue());
    }

    QList<Message> messages;
    QList<platform::SaveFileRequest> saveRequests;
    QQueue<QString> saveAnswers;
};

// Remembers the files it was asked to make the wallpaper; answers at once.
class FakeWallpaper final : public platform::Wallpaper
{
public:
    void setWallpaper(const QString &bitmapPath, Done done) override
    {
        paths.append(bitmapPath);
        done(takes);
    }
    QStringList paths;
    bool takes = true;
};

class FakeClock final : public platform::Clock
{
public:
    QDate today() const override { return date; }
    QDate date{2026, 3, 14};
};
