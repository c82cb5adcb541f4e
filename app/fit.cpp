#include "fit.h"

#include <QtMath>

#include <algorithm>

QSize shownSize(QSize picture, QSize available, QSize frame, int band)
{
    const QSize room(available.width() - frame.width(), available.height() - frame.height() - band);
    if (picture.isEmpty() || (picture.width() <= room.width() && picture.height() <= room.height()))
        return picture;
    const double scale = std::min(double(room.width()) / picture.width(),
                                  double(room.height()) / picture.height());
    return QSize(std::max(1, qFloor(picture.width() * scale)),
                 std::max(1, qFloor(picture.height() * scale)));
}
