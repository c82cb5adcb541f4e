#include "pictureview.h"

#include "platform/worker.h"

#include <QAction>
#include <QToolButton>

namespace {

QToolButton *arrow(QAction *action, Qt::ArrowType type, QSize size, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(action->objectName());
    button->setDefaultAction(action);
    button->setArrowType(type);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->resize(size);
    return button;
}

} // namespace

PictureView::PictureView(QAction *older, QAction *newer, QSize arrowSize, QWidget *parent)
    : QLabel(parent),
      m_older(arrow(older, Qt::LeftArrow, arrowSize, this)),
      m_newer(arrow(newer, Qt::RightArrow, arrowSize, this))
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureView::showPicture(const QImage &picture, QSize size, qreal ratio, const QString &credit)
{
    const int count = ++m_pictures;
    if (size == (QSizeF(picture.size()) / ratio).toSize()) {
        display(picture, ratio, credit);
        return;
    }
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    platform::onWorkerThread<QImage>(
            this,
            [picture, pixels] {
                return picture.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            },
            [this, count, ratio, credit](const QImage &scaled) {
                if (count == m_pictures) // no newer picture came meanwhile
                    display(scaled, ratio, credit);
            });
}

void PictureView::display(QImage picture, qreal ratio, const QString &credit)
{
    picture.setDevicePixelRatio(ratio);
    setToolTip(credit);
    setAccessibleDescription(credit);
    const QSize size = picture.deviceIndependentSize().toSize();
    setPixmap(QPixmap::fromImage(std::move(picture)));
    resize(size);
    emit shown();
}

void PictureView::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    const int y = (height() - m_older->height()) / 2;
    m_older->move(0, y);
    m_newer->move(width() - m_newer->width(), y);
}
