#pragma once

#include <QSize>

// The size a picture is shown at, in logical pixels: its own, or, where the
// window would then not fit the available area of its screen, scaled down
// with its proportions to the largest size at which the window fits. The
// window adds frame (what the window manager draws around it) and band (the
// height of the row of controls above the picture) to the picture's size.
QSize shownSize(QSize picture, QSize available, QSize frame, int band);
