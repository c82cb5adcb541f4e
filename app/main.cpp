#include "app/commandline.h"
#include "app/form1.h"
#include "app/translations.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSocketNotifier>

#include <cstdio>

#ifdef Q_OS_UNIX
#  include <csignal>
#  include <unistd.h>
#endif

namespace {

// Every size of the icon set, for the title bar, the task switcher and
// high-density panels alike; each file's name ends in its size, so that
// none is read before it is needed.
QIcon applicationIcon()
{
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"), QStringLiteral("*.png"));
    for (const QFileInfo &file : icons.entryInfoList()) {
        const int size = file.completeBaseName().section(QLatin1Char('-'), -1).toInt();
        icon.addFile(file.filePath(), QSize(size, size));
    }
    return icon;
}

// Without a display Qt would abort; say plainly what is missing instead.
bool hasDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("DISPLAY")
            || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

#ifdef Q_OS_UNIX
// A session that ends sends its programs SIGTERM: the window closes as if a
// person closed it, so that its picture file goes too. The handler only
// writes to a pipe, which the event loop reads.
int closeRequests[2];

void closeOnTermination(QWidget &window)
{
    if (::pipe(closeRequests) != 0)
        return;
    auto *notifier = new QSocketNotifier(closeRequests[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte;
        if (::read(closeRequests[0], &byte, 1) == 1)
            window.close();
    });
    struct sigaction action = {};
    action.sa_handler = [](int) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(closeRequests[1], &byte, 1);
    };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavelo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVELO_VERSION));
    if (isCommandLine(argc, argv))
        return runCommandLine(argc, argv);
    if (!hasDisplay()) {
        std::fputs("Tavelo needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set.\n"
                   "To try it without a desktop: xvfb-run -a tavelo\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    // Ties the window to its desktop entry and icon where the desktop asks.
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVELO_APP_ID));
    QApplication::setWindowIcon(applicationIcon());

    // The whole interface speaks Simplified Chinese, Qt's own buttons too.
    if (!installChineseQtTranslations(app))
        qWarning("Qt's Chinese translations are missing; standard buttons stay in English");

    Form1 window(platform::systemServices());
#ifdef Q_OS_UNIX
    closeOnTermination(window);
#endif
    window.Form_Load();
    return app.exec();
}
