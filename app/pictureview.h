#pragma once

#include <QLabel>

class QAction;
class QToolButton;

// The picture on display (the window's Image1): at its own size or a smaller
// one, scaled down smoothly on a worker thread, what it shows given as its
// tooltip and to screen readers. The days' arrows stand over its left and
// right edges, halfway down, each the button of its action.
class PictureView : public QLabel
{
    Q_OBJECT

public:
    PictureView(QAction *older, QAction *newer, QSize arrow, QWidget *parent);

    // Shows picture at size (logical pixels) on a screen of that device
    // pixel ratio; a slow scaling never replaces a newer picture.
    void showPicture(const QImage &picture, QSize size, qreal ratio, const QString &credit);

signals:
    // A picture is on display, at its size.
    void shown();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void display(QImage picture, qreal ratio, const QString &credit);

    QToolButton *m_older;
    QToolButton *m_newer;
    int m_pictures = 0;
};
