#pragma once

#include <QRect>
#include <QSize>

class QScreen;

// Twips: 1440 to the logical inch, 15 to a pixel at 96 dots per inch. The
// window's places are in twips, so that the layout grows with the fonts.
struct Twips
{
    double perPixel = 15;

    // On a screen, from its logical dots per inch; 96 where there is none.
    static Twips on(const QScreen *screen);
    int pixels(double twips) const;
    QSize pixels(QSize twips) const;
    QRect pixels(const QRect &twips) const;
};

// Where the window's controls stand, in twips from the top left of its
// client area.
namespace layout {

// The region options, by index; left to right they run 0, 1, 2, 4, 6, 7, 3, 5, 8.
inline constexpr QRect Option1[9] = {
    { 240, 60, 855, 420 },  { 1276, 60, 960, 420 }, { 2417, 60, 855, 420 },
    { 6801, 60, 855, 420 }, { 3453, 60, 975, 420 }, { 7837, 60, 975, 420 },
    { 4609, 60, 975, 420 }, { 5765, 60, 855, 420 }, { 9000, 60, 1215, 420 },
};
inline constexpr QRect Command1{ 10440, 60, 975, 375 };
inline constexpr QRect Command2{ 11640, 60, 1095, 375 };
inline constexpr QRect Command3{ 12960, 60, 1095, 375 };
inline constexpr QRect WebBrowser1{ 250, 220, 30, 30 };
inline constexpr QRect Text2{ 240, 4560, 3975, 375 };
// The picture's place, at its design size until a picture is shown.
inline constexpr QRect Image1{ 0, 480, 14655, 7695 };
inline constexpr QSize Client{ 14700, 8190 };
// The window's outer height is the picture's and this.
inline constexpr int Band = 1000;
// The right edge of the row of controls: the window's client area is never narrower.
inline constexpr int RowRight = Command3.x() + Command3.width();
// The day before and the day after: arrows over the picture's left and right
// edges, halfway down.
inline constexpr QSize Arrow{ 420, 840 };

} // namespace layout
