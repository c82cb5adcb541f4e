#include "form1.h"

#include "fit.h"

#include "commands/about.h"
#ifndef Q_OS_WIN
#include "commands/dailychange.h"
#endif
#include "commands/picturesave.h"
#include "commands/savename.h"
#include "commands/setwallpaper.h"
#include "commands/wallpaperpicture.h"

#include "retrieval/pictureload.h"
#include "retrieval/regiontable.h"

#include "platform/background.h"
#include "platform/browsercontrol.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "platform/screens.h"
#include "platform/wallpaper.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using platform::Failure;
using retrieval::ArchivePicture;

namespace {

const QString LoadingCaption = QStringLiteral("图片加载中，请稍候...");

} // namespace

Form1::Form1(platform::Services services, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint),
      m_services(services),
      m_pictureFile(platform::downloadFolder(services.programFolder) + QStringLiteral("/temp.jpg")),
      m_twips(Twips::on(QGuiApplication::primaryScreen()))
{
    setWindowTitle(QStringLiteral("B"));
    // Every size of the icon set, for the title bar, the task switcher and
    // high-density panels alike; each file's name ends in its size, so that
    // none is read before it is needed.
    QIcon icon;
    for (const QFileInfo &file : QDir(QStringLiteral(":/icons"), QStringLiteral("*.png")).entryInfoList()) {
        const int size = file.completeBaseName().section(QLatin1Char('-'), -1).toInt();
        icon.addFile(file.filePath(), QSize(size, size));
    }
    setWindowIcon(icon);
    resize(m_twips.pixels(layout::Client.width()), m_twips.pixels(layout::Client.height()));

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
    for (int index = 0; index < 9; ++index) {
        auto *option = new QRadioButton(
            QString::fromUtf16(retrieval::RegionTable[std::size_t(index)].caption), this);
        option->setObjectName(QStringLiteral("Option1(%1)").arg(index));
        option->setFont(optionFont);
        option->setGeometry(m_twips.pixels(layout::Option1[index]));
        Option1->addButton(option, index);
        setTabOrder(previous, option);
        previous = option;
    }
    Option1->button(0)->setChecked(true);

    auto addCommand = [&](const char *name, const QString &caption, const QRect &place) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(m_twips.pixels(place));
        setTabOrder(previous, button);
        previous = button;
        return button;
    };
    Command1 = addCommand("Command1", QStringLiteral("保存图片"), layout::Command1);
    Command2 = addCommand("Command2", QStringLiteral("设置背景"), layout::Command2);
    Command3 = addCommand("Command3", QStringLiteral("关  于"), layout::Command3);
    // The archive's days, with the keys a browser goes back and forth with;
    // the region options keep the arrow keys.
    Command4 = addCommand("Command4", QStringLiteral("前一天"), layout::Command4);
    Command4->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    Command5 = addCommand("Command5", QStringLiteral("后一天"), layout::Command5);
    Command5->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    updateDays();
#ifndef Q_OS_WIN
    Check1 = new QCheckBox(QStringLiteral("每天自动更换桌面背景"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(m_twips.pixels(layout::Check1));
    setTabOrder(previous, Check1);
    connect(Check1, &QCheckBox::clicked, this, &Form1::Check1_Click);
    m_daily = new commands::DailyChange(m_network, m_services.wallpaper, this);
    connect(m_daily, &commands::DailyChange::settled, this, [this](bool on) {
        Check1->setChecked(on);
        Check1->setEnabled(true);
    });
    connect(m_daily, &commands::DailyChange::failed, this, [this](Failure failure) {
        if (failure == Failure::PathFileAccessError)
            reportError(failure);
        else if (failure != Failure::DeviceUnavailable)
            m_services.dialogs.showMessage(this, platform::loadMessage(failure), platform::MessageStyle::Plain);
    });
#endif

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(m_twips.pixels(layout::Image1));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->lower();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->start();

    connect(Option1, &QButtonGroup::idClicked, this, &Form1::Option1_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
}

Form1::~Form1() = default;

// Qt's own title bar (on Wayland) is drawn into the window: it shows a new
// title only when the window is drawn again.
void Form1::setCaption(const QString &caption)
{
    setWindowTitle(caption);
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        update();
}

void Form1::Form_Load()
{
    show();
    setCaption(LoadingCaption);
    Text2->setText(retrieval::regionAddress(0));
    WebPicLoad();
    CommonDialog1.initialFolder = platform::firstSaveFolder();
#ifndef Q_OS_WIN
    // The box says what the system says.
    m_daily->read(platform::largestScreen());
#endif
}

void Form1::Option1_Click(int index)
{
    setCaption(LoadingCaption);
    Timer1->start();
    if (index >= 0 && index < int(retrieval::RegionTable.size()))
        Text2->setText(retrieval::regionAddress(index));
    WebPicLoad();
#ifndef Q_OS_WIN
    m_daily->follow(market(), platform::largestScreen());
#endif
}

// The caption tells the load is over once nothing is being fetched: neither
// the load itself nor the browser control's copy of the picture. It shows
// the date of the day on display.
void Form1::Timer1_Timer()
{
    if (WebBrowser1->busy() || (m_load && m_load->isRunning()))
        return;
    const QDate day = m_day > 0 && m_days.value(m_day).day.isValid() ? m_days[m_day].day : m_services.clock.today();
    setCaption(QCoreApplication::applicationName() + QStringLiteral("  ")
               + QLocale::system().toString(day, QLocale::ShortFormat));
    Timer1->stop();
}

// Saves the picture the browser control holds into a file the user chooses.
// The address is read afresh for the proposed name and again for the
// download. Cancel, or a control that has never held a document, ends the
// command without a word; a save that writes no file says so.
void Form1::Command1_Click()
{
    const std::optional<QString> address = WebBrowser1->documentUrl();
    if (!address)
        return;
    const platform::SaveFileRequest request{CommonDialog1.initialFolder,
                                            commands::proposedSaveName(*address),
                                            CommonDialog1.filterText, CommonDialog1.pattern};
    m_services.dialogs.askSaveFileName(this, request, [this](const QString &path) {
        const std::optional<QString> current = WebBrowser1->documentUrl();
        if (path.isEmpty() || !current)
            return;
        commands::PictureSave::start(m_network, *current, path, this, [this](Failure failure) {
            if (failure != Failure::None)
                reportError(failure);
        });
        CommonDialog1.initialFolder = QFileInfo(path).path();
    });
}

// Makes the picture on display the desktop wallpaper: from its original
// where the screen is large and the archive has one. Says nothing, unless
// the bitmap could not be written; the desktop's answer is its own.
void Form1::Command2_Click()
{
    if (m_picture.isNull())
        return;
    commands::fetchWallpaperPicture(m_network, m_days.value(m_day), platform::largestScreen(), m_picture, this,
                                    [this](const QImage &picture, Failure) {
        commands::setAsWallpaper(picture, platform::wallpaperFolder(), m_services.wallpaper, this, [this](Failure failure) {
            if (failure != Failure::None && failure != Failure::DeviceUnavailable)
                reportError(failure);
        });
    });
}

void Form1::Command3_Click()
{
    m_services.dialogs.showMessage(this, commands::aboutText(),
                                    platform::MessageStyle::Information, commands::aboutTitle());
}

// "前一天" and "后一天": from the day being loaded, or else the one on display.
void Form1::Command4_Click()
{
    showDay((m_load && m_load->isRunning() ? m_loadingDay : m_day) + 1);
}

void Form1::Command5_Click()
{
    showDay((m_load && m_load->isRunning() ? m_loadingDay : m_day) - 1);
}

// Ticked, the change is turned on for the region on display and its newest
// picture set at once; unticked, off. The box waits for the system's answer.
void Form1::Check1_Click(bool on)
{
#ifndef Q_OS_WIN
    Check1->setEnabled(false);
    if (on)
        m_daily->turnOn(market(), platform::largestScreen());
    else
        m_daily->turnOff();
#else
    Q_UNUSED(on);
#endif
}

// The market of the region chosen, as the archive knows it.
QString Form1::market() const
{
    return QLatin1String(retrieval::RegionTable[std::size_t(Option1->checkedId())].market);
}

// The report for failures no command handles itself; the program goes on.
// Once the window is closed, the box stands on its own, and the program ends
// when it is closed too.
void Form1::reportError(Failure failure)
{
    m_services.dialogs.showMessage(isVisible() ? this : nullptr, platform::genericMessage(failure),
                                   platform::MessageStyle::Plain);
}

// Starts loading the picture for the address in Text2. A load still running
// is abandoned: only the newest one shows its picture or its message.
void Form1::WebPicLoad()
{
    startLoad(-1);
    m_foundDays.reset();
    m_load->start(Text2->text(), retrieval::archiveAddress(Option1->checkedId(), retrieval::ArchiveDays));
    updateDays();
}

// A day of the region on display, loaded as any picture is; each day's
// picture is downloaded once.
void Form1::showDay(int day)
{
    if (day < 0 || (m_archiveAsked && day >= m_days.size()))
        return;
    setCaption(LoadingCaption);
    Timer1->start();
    startLoad(day);
    m_load->startDay(retrieval::archiveAddress(Option1->checkedId(), retrieval::ArchiveDays),
                     m_archiveAsked ? m_days : QList<ArchivePicture>(), day, m_dayBytes.value(day));
    updateDays();
}

void Form1::startLoad(int day)
{
    m_loadingDay = day;
    m_load = std::make_unique<retrieval::PictureLoad>(m_network, m_pictureFile);
    connect(m_load.get(), &retrieval::PictureLoad::picUrlFound, this, [this](const QString &address) {
        PicUrl = address;
        WebBrowser1->navigate(PicUrl);
    });
    connect(m_load.get(), &retrieval::PictureLoad::daysFound, this, [this](const QList<ArchivePicture> &days) {
        if (m_loadingDay < 0) {
            m_foundDays = days;
            return;
        }
        // Asked for a day before: today's picture stays as it was shown.
        const ArchivePicture today = m_days.value(0);
        m_days = days;
        if (!m_days.isEmpty())
            m_days[0] = today;
        m_archiveAsked = true;
        updateDays();
    });
    connect(m_load.get(), &retrieval::PictureLoad::pictureReady, this, &Form1::dayReady);
    connect(m_load.get(), &retrieval::PictureLoad::failed, this, [this](Failure failure) {
        loadEnded({}, {}, failure);
        updateDays();
    });
}

void Form1::dayReady(const QImage &picture, const QByteArray &bytes)
{
    if (m_loadingDay < 0) {
        m_archiveAsked = m_foundDays.has_value();
        m_days = m_foundDays.value_or(QList<ArchivePicture>{{PicUrl, {}, {}, {}, {}}});
        m_dayBytes.clear();
    }
    m_day = std::max(m_loadingDay, 0);
    m_dayBytes.resize(std::max(m_dayBytes.size(), qsizetype(m_day) + 1));
    m_dayBytes[m_day] = bytes;
    loadEnded(picture, m_days.value(m_day).credit, Failure::None);
    updateDays();
}

// "前一天" stops at the oldest day the archive has, "后一天" at today's
// picture; both wait while a region's picture loads.
void Form1::updateDays()
{
    const bool running = m_load && m_load->isRunning();
    const int day = running ? m_loadingDay : m_day;
    const bool shown = !m_days.isEmpty() && !(running && m_loadingDay < 0);
    Command4->setEnabled(shown && (!m_archiveAsked || day + 1 < m_days.size()));
    Command5->setEnabled(shown && day > 0);
}

// A load that ends while the window is minimized changes nothing a person
// can see; the window takes it up when it is restored.
void Form1::loadEnded(const QImage &picture, const QString &credit, Failure failure)
{
    if (isMinimized()) {
        m_pending = Pending{picture, credit, failure};
        return;
    }
    if (failure != Failure::None)
        m_services.dialogs.showMessage(this, platform::loadMessage(failure), platform::MessageStyle::Plain);
    else
        showPicture(picture, credit);
}

void Form1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && m_pending) {
        const Pending pending = *std::exchange(m_pending, std::nullopt);
        loadEnded(pending.picture, pending.credit, pending.failure);
    }
}

// The picture is shown one pixel of it to one pixel of the screen, unless
// the window would then not fit its screen: then it is shown scaled down,
// smoothly, on a worker thread. The whole picture is kept for the wallpaper.
void Form1::showPicture(const QImage &picture, const QString &credit)
{
    m_picture = picture;
    const int count = ++m_pictureCount;
    const qreal ratio = devicePixelRatioF();
    const QSize own = (QSizeF(picture.size()) / ratio).toSize();
    const QScreen *onScreen = screen();
    const QSize available = onScreen ? onScreen->availableSize() : QSize(own.width(), own.height() * 2);
    const QSize shown = shownSize(own, available, frameExtent(), m_twips.pixels(layout::Band));
    if (shown == own) {
        display(picture, ratio, credit);
        return;
    }
    platform::inBackground<QImage>(
        this,
        [picture, size = (QSizeF(shown) * ratio).toSize()] {
            return picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        },
        [this, count, ratio, credit](const QImage &scaled) {
            if (count != m_pictureCount)
                return; // a newer picture came meanwhile
            display(scaled, ratio, credit);
        });
}

// A picture from the archive comes with a word on what it shows, which the
// tooltip and screen readers give.
void Form1::display(QImage shown, qreal ratio, const QString &credit)
{
    shown.setDevicePixelRatio(ratio);
    Image1->setToolTip(credit);
    Image1->setAccessibleDescription(credit);
    const QSize size = shown.deviceIndependentSize().toSize();
    Image1->setPixmap(QPixmap::fromImage(std::move(shown)));
    Image1->resize(size);
    sizeLock();
}

// The frame the window manager draws, once it has told us.
QSize Form1::frameExtent() const
{
    return frameGeometry().size() - geometry().size();
}

// Enter, as well as Space, clicks the command button that has the focus.
void Form1::keyPressEvent(QKeyEvent *event)
{
    auto *button = qobject_cast<QPushButton *>(focusWidget());
    if (button && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        button->animateClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

// The window's outer size follows the picture: as wide as the picture and
// 1000 twips taller; but its client area is never narrower than its
// controls. The user cannot resize it. A minimized window is left alone
// until it is restored.
void Form1::sizeLock()
{
    if (isMinimized())
        return;
    const QSize frame = frameExtent();
    const QSize client(std::max(Image1->width() - frame.width(), m_twips.pixels(layout::ControlsRight)),
                       Image1->height() + m_twips.pixels(layout::Band) - frame.height());
    if (client.isValid() && (minimumSize() != client || maximumSize() != client))
        setFixedSize(client);
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    sizeLock();
}

// The window manager reports its frame when it places the window.
void Form1::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    sizeLock();
}

void Form1::closeEvent(QCloseEvent *event)
{
    m_load.reset();
    QFile::remove(m_pictureFile);
    event->accept();
}
