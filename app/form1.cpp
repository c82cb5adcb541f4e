#include "form1.h"

#include "fit.h"
#ifndef Q_OS_WIN
#  include "dailybox.h"
#endif
#include "pictureview.h"

#include "commands/about.h"
#include "commands/picturesave.h"
#include "commands/savename.h"
#include "commands/wallpaperpicture.h"

#include "retrieval/picturedays.h"
#include "retrieval/regiontable.h"

#include "platform/browsercontrol.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "platform/screens.h"
#include "platform/wallpaper.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

using platform::Failure;

const QString LoadingCaption = QStringLiteral("图片加载中，请稍候...");

Form1::Form1(platform::Services services, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                      | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_services(services),
      m_pictureFile(platform::downloadFolder(services.programFolder) + QStringLiteral("/temp.jpg")),
      m_twips(Twips::on(QGuiApplication::primaryScreen()))
{
    setWindowTitle(QStringLiteral("B"));
    resize(m_twips.pixels(layout::Client));
    // The days and the daily change, wherever the window is right-clicked.
    setContextMenuPolicy(Qt::ActionsContextMenu);

    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(m_twips.pixels(layout::Text2));
    Text2->hide();

    WebBrowser1 = new platform::BrowserControl(m_network, this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(m_twips.pixels(layout::WebBrowser1));

    QFont optionFont(QStringLiteral("宋体"));
    optionFont.setPointSizeF(10.5);
    optionFont.setWeight(QFont::Normal);
    Option1 = new QButtonGroup(this);
    QWidget *previous = Text2;
    for (int index = 0; index < int(retrieval::RegionTable.size()); ++index) {
        const QString caption =
                QString::fromUtf16(retrieval::RegionTable[std::size_t(index)].caption);
        auto *option = new QRadioButton(caption, this);
        option->setObjectName(QStringLiteral("Option1(%1)").arg(index));
        option->setFont(optionFont);
        option->setGeometry(m_twips.pixels(layout::Option1[index]));
        Option1->addButton(option, index);
        setTabOrder(std::exchange(previous, option), option);
    }
    Option1->button(0)->setChecked(true);

    const auto command = [&](const char *name, const QString &caption, const QRect &place) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(m_twips.pixels(place));
        setTabOrder(std::exchange(previous, button), button);
        return button;
    };
    Command1 = command("Command1", QStringLiteral("保存图片"), layout::Command1);
    Command2 = command("Command2", QStringLiteral("设置背景"), layout::Command2);
    Command3 = command("Command3", QStringLiteral("关  于"), layout::Command3);
    // The region options keep the arrow keys; the days take Alt with them.
    const auto day = [this](const char *name, const QString &caption, int key) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(QKeySequence(Qt::ALT | key));
        addAction(action);
        return action;
    };
    Command4 = day("Command4", QStringLiteral("前一天"), Qt::Key_Left);
    Command5 = day("Command5", QStringLiteral("后一天"), Qt::Key_Right);
    Image1 = new PictureView(Command4, Command5, m_twips.pixels(layout::Arrow), this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(m_twips.pixels(layout::Image1));
    for (const char *name : { "Command4", "Command5" }) {
        QWidget *button = Image1->findChild<QWidget *>(name);
        setTabOrder(std::exchange(previous, button), button);
    }
    connect(Image1, &PictureView::shown, this, &Form1::sizeLock);

    m_days = new retrieval::PictureDays(m_network, m_pictureFile, services.keptFolder, this);
    connect(m_days, &retrieval::PictureDays::picUrlFound, this,
            [this](const QString &address, const QByteArray &kept) {
                PicUrl = address;
                WebBrowser1->navigate(PicUrl, kept);
            });
    connect(m_days, &retrieval::PictureDays::ended, this, &Form1::loadEnded);
    const auto offerDays = [this] {
        Command4->setEnabled(m_days->canLoadOlder());
        Command5->setEnabled(m_days->canLoadNewer());
    };
    connect(m_days, &retrieval::PictureDays::daysChanged, this, offerDays);
    offerDays();

#ifndef Q_OS_WIN
    auto *line = new QAction(this);
    line->setSeparator(true);
    addAction(line);
    Check1 = new DailyBox(m_network, m_services, this);
    addAction(Check1);
#endif

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->start();

    connect(Option1, &QButtonGroup::idClicked, this, &Form1::Option1_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QAction::triggered, this, &Form1::Command4_Click);
    connect(Command5, &QAction::triggered, this, &Form1::Command5_Click);
}

Form1::~Form1() = default;

void Form1::Form_Load()
{
    show();
    setCaption(LoadingCaption);
    Text2->setText(retrieval::regionAddress(0));
    WebPicLoad();
    CommonDialog1.initialFolder = platform::firstSaveFolder();
    if (Check1)
        Check1->read();
}

void Form1::Option1_Click(int index)
{
    startWatching();
    if (index >= 0 && index < int(retrieval::RegionTable.size()))
        Text2->setText(retrieval::regionAddress(index));
    WebPicLoad();
}

// The newest picture of the region chosen, from the address in Text2; a load
// still running is abandoned.
void Form1::WebPicLoad()
{
    const QString market =
            QLatin1String(retrieval::RegionTable[std::size_t(Option1->checkedId())].market);
    m_days->loadNewest(Text2->text(), market);
    if (Check1)
        Check1->setMarket(market);
}

// The caption says a load is on, and the watcher waits for its end.
void Form1::startWatching()
{
    setCaption(LoadingCaption);
    Timer1->start();
}

// Once neither the load nor the browser control's copy fetches anything, the
// caption shows the date of the day on display.
void Form1::Timer1_Timer()
{
    if (WebBrowser1->busy() || m_days->isLoading())
        return;
    const QDate day =
            m_days->shownDate().isValid() ? m_days->shownDate() : m_services.clock.today();
    setCaption(QCoreApplication::applicationName() + QStringLiteral("  ")
               + QLocale::system().toString(day, QLocale::ShortFormat));
    Timer1->stop();
}

// Downloads the browser control's document again into a file the user
// chooses. Cancel, or no document, ends it without a word.
void Form1::Command1_Click()
{
    const std::optional<QString> address = WebBrowser1->documentUrl();
    if (!address)
        return;
    const platform::SaveFileRequest request{ CommonDialog1.initialFolder,
                                             commands::proposedSaveName(*address),
                                             CommonDialog1.filterText, CommonDialog1.pattern };
    m_services.dialogs.askSaveFileName(this, request, [this](const QString &path) {
        const std::optional<QString> current = WebBrowser1->documentUrl();
        if (path.isEmpty() || !current)
            return;
        commands::PictureSave::start(m_network, *current, WebBrowser1->givenDocument(), path, this,
                                     [this](Failure failure) { reportError(failure); });
        CommonDialog1.initialFolder = QFileInfo(path).path();
    });
}

// The picture on display as the wallpaper, from its original on large
// screens; the desktop's answer is its own to tell.
void Form1::Command2_Click()
{
    if (m_picture.isNull())
        return;
    commands::makeWallpaper(m_network, m_days->shown(), platform::largestScreen(), m_picture,
                            platform::wallpaperFolder(), m_services.wallpaper, this,
                            [this](Failure failure, const QByteArray &) {
                                if (failure != Failure::DeviceUnavailable)
                                    reportError(failure);
                            });
}

void Form1::Command3_Click()
{
    m_services.dialogs.showMessage(this, commands::aboutText(), platform::MessageStyle::Information,
                                   commands::aboutTitle());
}

void Form1::Command4_Click()
{
    if (m_days->loadOlder())
        startWatching();
}

void Form1::Command5_Click()
{
    if (m_days->loadNewer())
        startWatching();
}

// Failures no command handles itself; once the window is closed, the box
// stands on its own, and the program ends with it.
void Form1::reportError(Failure failure)
{
    if (failure != Failure::None)
        m_services.dialogs.showMessage(isVisible() ? this : nullptr,
                                       platform::genericMessage(failure),
                                       platform::MessageStyle::Plain);
}

// A load that ends while the window is minimized waits for it to be restored.
void Form1::loadEnded(const QImage &picture, const QString &credit, Failure failure)
{
    if (isMinimized())
        m_pending = Pending{ picture, credit, failure };
    else if (failure != Failure::None)
        m_services.dialogs.showMessage(this, platform::loadMessage(failure),
                                       platform::MessageStyle::Plain);
    else
        showPicture(picture, credit);
}

// One pixel of the picture to one of the screen, unless the window would not
// fit its screen; the whole picture is kept for the wallpaper.
void Form1::showPicture(const QImage &picture, const QString &credit)
{
    m_picture = picture;
    const qreal ratio = devicePixelRatioF();
    const QSize own = (QSizeF(picture.size()) / ratio).toSize();
    const QScreen *onScreen = screen();
    const QSize available =
            onScreen ? onScreen->availableSize() : QSize(own.width(), own.height() * 2);
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize shown = shownSize(own, available, frame, m_twips.pixels(layout::Band));
    Image1->showPicture(picture, shown, ratio, credit);
}

// Enter, as well as Space, clicks the button that has the focus.
void Form1::keyPressEvent(QKeyEvent *event)
{
    auto *button = qobject_cast<QAbstractButton *>(focusWidget());
    if (button && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        button->animateClick();
    else
        QWidget::keyPressEvent(event);
}

// The outer size is the picture's, 1000 twips taller, the client area never
// narrower than the row of controls; the user cannot resize it.
void Form1::sizeLock()
{
    if (isMinimized())
        return;
    const QSize frame = frameGeometry().size() - geometry().size();
    const int width = std::max(Image1->width() - frame.width(), m_twips.pixels(layout::RowRight));
    const QSize client(width, Image1->height() + m_twips.pixels(layout::Band) - frame.height());
    if (client.isValid() && (minimumSize() != client || maximumSize() != client))
        setFixedSize(client);
}

// The window manager reports its frame when it places the window.
bool Form1::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move)
        sizeLock();
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && m_pending) {
        const Pending pending = *std::exchange(m_pending, std::nullopt);
        loadEnded(pending.picture, pending.credit, pending.failure);
    }
    return handled;
}

// Qt's own title bar on Wayland shows a new title once the window is drawn.
void Form1::setCaption(const QString &caption)
{
    setWindowTitle(caption);
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        update();
}

void Form1::closeEvent(QCloseEvent *event)
{
    m_days->stop();
    QFile::remove(m_pictureFile);
    event->accept();
}
