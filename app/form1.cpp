#include "form1.h"

#include "commands/about.h"
#include "commands/picturesave.h"
#include "commands/savename.h"
#include "commands/setwallpaper.h"

#include "retrieval/archive.h"
#include "retrieval/pictureload.h"
#include "retrieval/regiontable.h"

#include "platform/browsercontrol.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/failure.h"
#include "platform/folders.h"
#include "platform/wallpaper.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "tavelo.xpm"

namespace {

const QString LoadingCaption = QStringLiteral("图片加载中，请稍候...");

// Window geometry is laid out in twips: 15 to a pixel at 96 dots per inch.
constexpr int pixels(double twips)
{
    return int(twips / 15.0 + (twips >= 0 ? 0.5 : -0.5));
}

QRect twipRect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

struct OptionPlace
{
    int left;
    int width;
};

// Where each region option stands, by index; left to right they run
// 0, 1, 2, 4, 6, 7, 3, 5, 8.
constexpr OptionPlace OptionPlaces[9] = {
    {240, 855}, {1276, 960}, {2417, 855}, {6801, 855}, {3453, 975},
    {7837, 975}, {4609, 975}, {5765, 855}, {9000, 1215},
};

constexpr int PictureTop = 480;
constexpr QSize DesignPictureSize(14655, 7695); // in twips
constexpr int CaptionBandHeight = 1000;         // twips added to the picture's height

} // namespace

Form1::Form1(platform::Services services, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint),
      m_services(services),
      m_pictureFile(platform::downloadFolder(services.programFolder) + QStringLiteral("/temp.jpg"))
{
    setWindowTitle(QStringLiteral("B"));
    setWindowIcon(QIcon(QPixmap(tavelo_icon)));
    resize(pixels(14700), pixels(8190));

    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(twipRect(240, 4560, 3975, 375));
    Text2->hide();

    WebBrowser1 = new platform::BrowserControl(m_network, this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(twipRect(250, 220, 30, 30));

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
        option->setGeometry(twipRect(OptionPlaces[index].left, 60, OptionPlaces[index].width, 420));
        Option1->addButton(option, index);
        setTabOrder(previous, option);
        previous = option;
    }
    Option1->button(0)->setChecked(true);

    auto addCommand = [&](const char *name, const QString &caption, int left, int width) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(twipRect(left, 60, width, 375));
        setTabOrder(previous, button);
        previous = button;
        return button;
    };
    Command1 = addCommand("Command1", QStringLiteral("保存图片"), 10440, 975);
    Command2 = addCommand("Command2", QStringLiteral("设置背景"), 11640, 1095);
    Command3 = addCommand("Command3", QStringLiteral("关  于"), 12960, 1095);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipRect(0, PictureTop, DesignPictureSize.width(),
                                 DesignPictureSize.height()));
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

void Form1::Form_Load()
{
    show();
    setWindowTitle(LoadingCaption);
    Text2->setText(retrieval::regionAddress(0));
    WebPicLoad();
    CommonDialog1.initialFolder = platform::firstSaveFolder();
}

void Form1::Option1_Click(int index)
{
    setWindowTitle(LoadingCaption);
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
    setWindowTitle(QStringLiteral("Tavelo") + QStringLiteral("  ") + date);
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
        commands::PictureSave::start(m_network, *current, path, this, [this](qint32 failure) {
            if (failure != 0)
                reportError(failure);
        });
        CommonDialog1.initialFolder = QFileInfo(path).path();
    });
}

// Makes the picture on display the desktop wallpaper. Says nothing, unless
// the bitmap could not be written.
void Form1::Command2_Click()
{
    const qint32 number = commands::setAsWallpaper(
        Image1->pixmap().toImage(), platform::wallpaperFolder(), m_services.wallpaper);
    if (number != 0)
        reportError(number);
}

void Form1::Command3_Click()
{
    m_services.dialogs.showMessage(this, commands::aboutText(),
                                    platform::MessageStyle::Information, commands::aboutTitle());
}

// The report for failures no command handles itself; the program goes on.
void Form1::reportError(qint32 number)
{
    m_services.dialogs.showMessage(this, platform::failure::genericMessage(number),
                                    platform::MessageStyle::Plain);
}

// Starts loading the picture for the address in Text2. A load still running
// is abandoned: only the newest one shows its picture or its message.
void Form1::WebPicLoad()
{
    m_load = std::make_unique<retrieval::PictureLoad>(
        m_network, *WebBrowser1, Text2->text(), retrieval::archiveAddress(Option1->checkedId()),
        m_pictureFile);
    connect(m_load.get(), &retrieval::PictureLoad::picUrlFound, this,
            [this](const QString &address) { PicUrl = address; });
    connect(m_load.get(), &retrieval::PictureLoad::pictureReady, this, &Form1::showPicture);
    connect(m_load.get(), &retrieval::PictureLoad::failed, this, [this](qint32 number) {
        m_services.dialogs.showMessage(this, platform::failure::loadMessage(number),
                                        platform::MessageStyle::Plain);
    });
    m_load->start();
}

// A picture from the archive comes with a word on what it shows, which the
// tooltip and screen readers give.
void Form1::showPicture(const QImage &picture, const QString &credit)
{
    Image1->setToolTip(credit);
    Image1->setAccessibleDescription(credit);
    Image1->setPixmap(QPixmap::fromImage(picture));
    Image1->resize(picture.size());
    sizeLock();
}

// The window's outer size follows the picture: as wide as the picture and
// 1000 twips taller. The user cannot resize it.
void Form1::sizeLock()
{
    const int outerHeight = pixels(Image1->height() * 15.0 + CaptionBandHeight);
    const int outerWidth = Image1->width();
    // The frame the window manager draws, once it has told us.
    const QSize frame = frameGeometry().size() - geometry().size();
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
