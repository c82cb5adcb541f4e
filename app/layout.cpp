#include "layout.h"

#include <QScreen>

Twips Twips::on(const QScreen *screen)
{
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return { 1440.0 / (dpi > 0 ? dpi : 96.0) };
}

int Twips::pixels(double twips) const
{
    return qRound(twips / perPixel);
}

QSize Twips::pixels(QSize twips) const
{
    return QSize(pixels(twips.width()), pixels(twips.height()));
}

QRect Twips::pixels(const QRect &twips) const
{
    return QRect(pixels(twips.x()), pixels(twips.y()), pixels(twips.width()),
                 pixels(twips.height()));
}
