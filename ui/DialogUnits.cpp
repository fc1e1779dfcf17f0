#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QString>

#include <cstdint>

namespace quorvex {

namespace {

// value * numerator / denominator rounded to the nearest integer, halves away from zero, as
// Windows' MulDiv rounds.
int MulDiv(int value, int numerator, int denominator) {
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

int AverageLetterWidth(const QFontMetrics& metrics) {
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (width / 26 + 1) / 2;
}

}  // namespace

DialogUnits::DialogUnits(int averageCharWidth, int charHeight)
    : averageCharWidth(averageCharWidth), charHeight(charHeight) {}

DialogUnits::DialogUnits(const QFontMetrics& metrics)
    : DialogUnits(AverageLetterWidth(metrics), metrics.height()) {}

int DialogUnits::ToPixelsX(int units) const { return MulDiv(units, averageCharWidth, 4); }

int DialogUnits::ToPixelsY(int units) const { return MulDiv(units, charHeight, 8); }

QSize DialogUnits::Size(int cx, int cy) const { return {ToPixelsX(cx), ToPixelsY(cy)}; }

QRect DialogUnits::Rect(int x, int y, int cx, int cy) const {
    return {ToPixelsX(x), ToPixelsY(y), ToPixelsX(cx), ToPixelsY(cy)};
}

}  // namespace quorvex
