// Runs the window offscreen with the given program folder until its first
// load is over, then prints what it showed: "picture WxH" or each message.
#include "app/form1.h"

#include "platform/clock.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>

namespace {

class PrintingDialogs final : public platform::Dialogs
{
public:
    void showMessage(QWidget *, const QString &text, platform::MessageStyle,
                     const QString &) override
    {
        std::printf("message %s\n", qPrintable(text));
    }
    void askSaveFileName(QWidget *, const platform::SaveFileRequest &,
                         std::function<void(const QString &)> chosen) override
    {
        chosen(QString());
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    PrintingDialogs dialogs;
    platform::SystemClock clock;
    Form1 form(platform::Services{&dialogs, &clock, QString::fromLocal8Bit(argv[1])});
    form.Form_Load();

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &form, [&form] {
        if (!form.windowTitle().startsWith(QStringLiteral("Tavelo  ")))
            return;
        const QPixmap picture = form.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap();
        if (!picture.isNull())
            std::printf("picture %dx%d\n", picture.width(), picture.height());
        QApplication::exit(0);
    });
    poll.start(20);
    QTimer::singleShot(20000, &app, [] { QApplication::exit(1); });
    return app.exec();
}
