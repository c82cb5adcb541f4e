#include "window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

Window::Window()
{
    qputenv("TAVELO_CN_HOST", cn.hostAndPort().toLatin1());
    qputenv("TAVELO_HK_HOST", hk.hostAndPort().toLatin1());
    qputenv("TAVELO_MAIN_HOST", main.hostAndPort().toLatin1());
    cn.serve("/?mkt=zh-CN", TestServer::Response{200, homePage("/first.jpg")});
    main.serve("/first.jpg", first);
}

Window::~Window()
{
    form.reset();
    for (const char *host : {"TAVELO_CN_HOST", "TAVELO_HK_HOST", "TAVELO_MAIN_HOST"})
        qunsetenv(host);
}

Form1 &Window::start(const QString &programFolder)
{
    form = std::make_unique<Form1>(
        platform::Services{dialogs, clock, wallpaper, programFolder.isEmpty() ? folder.path() : programFolder});
    form->Form_Load();
    return *form;
}

bool Window::loadOver()
{
    auto *timer = child<QTimer>(QStringLiteral("Timer1"));
    if (timer->isActive())
        QMetaObject::invokeMethod(timer, "timeout");
    return !timer->isActive();
}

QSize Window::shown() const
{
    return child<QLabel>(QStringLiteral("Image1"))->pixmap().deviceIndependentSize().toSize();
}

QString Window::doneCaption() const
{
    return QStringLiteral("Tavelo  ") + QLocale::system().toString(clock.date, QLocale::ShortFormat);
}

int Window::px(double twips)
{
    return qRound(twips * QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 1440);
}

QSize Window::onScreen(QSize pixels)
{
    return (QSizeF(pixels) / QGuiApplication::primaryScreen()->devicePixelRatio()).toSize();
}
