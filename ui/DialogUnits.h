// Dialog units, the measure of dialog templates. One horizontal unit is a quarter of the dialog
// font's average character width, one vertical unit an eighth of its character height, so a
// template keeps its proportions in any font and at any resolution.
//
// Windows takes the average width over the 52 letters A-Z and a-z, rounded, and the full
// character height, and rounds each converted value to the nearest pixel, halves away from zero
// (MulDiv). Quorvex uses the same rule. The font's own average-width field
// (QFontMetrics::averageCharWidth()) is not that average: at 9 pt it is 6 in DejaVu Sans and 8
// in WenQuanYi Micro Hei, where both fonts' letters average 7; layouts would come out too
// narrow for their texts in the one and too wide in the other.
#pragma once

#include <QRect>
#include <QSize>

class QFontMetrics;

namespace quorvex {

class DialogUnits {
public:
    // From the base units in pixels: average character width and character height.
    DialogUnits(int averageCharWidth, int charHeight);
    // From the metrics of the dialog's font.
    explicit DialogUnits(const QFontMetrics& metrics);

    int AverageCharWidth() const { return averageCharWidth; }
    int CharHeight() const { return charHeight; }

    // Horizontal dialog units to pixels.
    int ToPixelsX(int units) const;
    // Vertical dialog units to pixels.
    int ToPixelsY(int units) const;
    // A template size (cx, cy) in pixels.
    QSize Size(int cx, int cy) const;
    // A template rectangle in pixels: position and size are each converted on their own, as
    // Windows does when it creates a dialog's controls.
    QRect Rect(int x, int y, int cx, int cy) const;

private:
    int averageCharWidth;
    int charHeight;
};

}  // namespace quorvex
