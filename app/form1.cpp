#include "form1.h"

#include "fit.h"
#include "layout.h"

#include "commands/about.h"
#include "commands/picturesave.h"
#include "commands/savename.h"
#include "commands/setwallpaper.h"

#include "retrieval/archive.h"
#include "retrieval/pictureload.h"
#include "retrieval/regiontable.h"

#include "platform/background.h"
#include "platform/browsercontrol.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "platform/wallpaper.h"

#include <QButtonGroup>
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
#include <QScreen>
#include <QTimer>

using platform::Failure;

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
    // high-density panels alike.
    QIcon icon;
    for (const QFileInfo &file : QDir(QStringLiteral(":/icons")).entryInfoList())
        icon.addFile(file.filePath());
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
}

void Form1::Option1_Click(int index)
{
    setCaption(LoadingCaption);
    Timer1->start();
    if (index >= 0 && index < int(retrieval::RegionTable.size()))
        Text2->setText(retrieval::regionAddress(index));
    WebPicLoad();
}

// The caption tells the load is over once nothing is being fetched: neither
// the load itself nor the browser control's copy of the picture.
void Form1::Timer1_Timer()
{
    if (WebBrowser1->busy() || (m_load && m_load->isRunning()))
        return;
    const QString date = QLocale::system().toString(m_services.clock.today(),
                                                     QLocale::ShortFormat);
    setCaption(QCoreApplication::applicationName() + QStringLiteral("  ") + date);
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

// Makes the picture on display the desktop wallpaper. Says nothing, unless
// the bitmap could not be written.
void Form1::Command2_Click()
{
    const Failure failure =
        commands::setAsWallpaper(m_picture, platform::wallpaperFolder(), m_services.wallpaper);
    if (failure != Failure::None)
        reportError(failure);
}

void Form1::Command3_Click()
{
    m_services.dialogs.showMessage(this, commands::aboutText(),
                                    platform::MessageStyle::Information, commands::aboutTitle());
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
    m_load = std::make_unique<retrieval::PictureLoad>(m_network, m_pictureFile);
    connect(m_load.get(), &retrieval::PictureLoad::picUrlFound, this, [this](const QString &address) {
        PicUrl = address;
        WebBrowser1->navigate(PicUrl);
    });
    connect(m_load.get(), &retrieval::PictureLoad::daysFound, this,
            [this](const QList<retrieval::ArchivePicture> &days) { m_credit = days.value(0).credit; });
    connect(m_load.get(), &retrieval::PictureLoad::pictureReady, this,
            [this](const QImage &picture) { loadEnded(picture, m_credit, Failure::None); });
    connect(m_load.get(), &retrieval::PictureLoad::failed, this,
            [this](Failure failure) { loadEnded({}, {}, failure); });
    m_credit.clear();
    m_load->start(Text2->text(), retrieval::archiveAddress(Option1->checkedId(), retrieval::ArchiveDays));
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

// The window's outer size follows the picture: as wide as the picture, but
// never narrower than its controls, and 1000 twips taller. The user cannot
// resize it. A minimized window is left alone until it is restored.
void Form1::sizeLock()
{
    if (isMinimized())
        return;
    const int outerHeight = Image1->height() + m_twips.pixels(layout::Band);
    const int outerWidth = std::max(Image1->width(), m_twips.pixels(layout::ControlsRight));
    const QSize frame = frameExtent();
    const QSize client(outerWidth - frame.width(), outerHeight - frame.height());
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
