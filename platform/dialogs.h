#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace platform {

enum class MessageStyle {
    Plain, // OK button only, no icon
    Information, // OK button with the information icon
};

// What the save dialog is asked to show.
struct SaveFileRequest
{
    QString folder; // where the dialog opens
    QString fileName; // the name it proposes
    QString filterText; // the filter's display text
    QString pattern; // the filter's pattern, such as "*.jpg"
};

// Message boxes and file dialogs. None of them blocks the caller: each is
// modal to the user but hands its answer back through a callback, so the
// window's event loop keeps running.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A modal message box with one OK button. An empty title shows the
    // application's name. A carriage return in the text breaks the line.
    // Without a parent, the box stands on its own, as a window does.
    virtual void showMessage(QWidget *parent, const QString &text, MessageStyle style,
                             const QString &title = {}) = 0;

    // A Save As dialog. Calls chosen with the confirmed path, unchanged, or
    // with an empty text when the user cancels.
    virtual void askSaveFileName(QWidget *parent, const SaveFileRequest &request,
                                 std::function<void(const QString &path)> chosen) = 0;
};

// The platform's own message boxes and save dialog.
class SystemDialogs final : public Dialogs
{
public:
    void showMessage(QWidget *parent, const QString &text, MessageStyle style,
                     const QString &title) override;
    void askSaveFileName(QWidget *parent, const SaveFileRequest &request,
                         std::function<void(const QString &path)> chosen) override;
};

} // namespace platform
