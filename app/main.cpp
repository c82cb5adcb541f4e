#include "app/commandline.h"
#include "app/form1.h"
#include "app/translations.h"

#include <QApplication>

#include <cstdio>

namespace {

// Without a display Qt would abort; say plainly what is missing instead.
bool hasDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavelo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVELO_VERSION));
    if (argc > 1)
        return runCommandLine(argc, argv);
    if (!hasDisplay()) {
        std::fputs("Tavelo needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set.\n"
                   "To try it without a desktop: xvfb-run -a tavelo\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    // Ties the window to its desktop entry and icon where the desktop asks.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tavelo.Tavelo"));

    // The whole interface speaks Simplified Chinese, Qt's own buttons too.
    if (!installChineseQtTranslations(app))
        qWarning("Qt's Chinese translations are missing; standard buttons stay in English");

    Form1 window(platform::systemServices());
    window.Form_Load();
    return app.exec();
}
