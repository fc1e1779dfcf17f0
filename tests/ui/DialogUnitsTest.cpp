// Dialog units to pixels: Windows' rule (x * average char width / 4, y * char height / 8, each
// rounded to the nearest pixel, halves away from zero) and the base units taken from a font.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

#include "tests/support/Require.h"
#include "ui/DialogUnits.h"

namespace quorvex {
namespace {

struct ConversionCase {
    const char* name;
    int averageCharWidth, charHeight;  // base units in pixels
    int x, y, cx, cy;                  // dialog units
    QRect pixels;
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }

class Conversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, MapsEachValueWithWindowsRounding) {
    const auto& c = GetParam();
    const DialogUnits units(c.averageCharWidth, c.charHeight);
    EXPECT_EQ(units.Rect(c.x, c.y, c.cx, c.cy), c.pixels);
    EXPECT_EQ(units.Size(c.cx, c.cy), c.pixels.size());
    EXPECT_EQ(units.ToPixelsX(c.x), c.pixels.x());
    EXPECT_EQ(units.ToPixelsY(c.y), c.pixels.y());
}

// "MS Shell Dlg" 8 pt at 96 dpi has base units 6 x 13; DejaVu Sans 9 pt has 7 x 14.
const ConversionCase kConversionCases[] = {
    {"MainWindowAt6x13", 6, 13, 0, 0, 277, 175, QRect(0, 0, 416, 284)},
    {"AboutBoxAt6x13", 6, 13, 0, 0, 178, 117, QRect(0, 0, 267, 190)},
    {"AboutBoxAt7x14", 7, 14, 0, 0, 178, 117, QRect(0, 0, 312, 205)},
    {"HalvesRoundUp", 6, 13, 47, 44, 82, 12, QRect(71, 72, 123, 20)},
    {"QuartersRoundDown", 5, 10, 1, 1, 1, 1, QRect(1, 1, 1, 1)},
    {"ThreeQuartersRoundUp", 5, 10, 3, 3, 3, 3, QRect(4, 4, 4, 4)},
    // x = 1.5 -> 2 and cx = 1.5 -> 2: the right edge lands on 4, not on 3 = round(2 * 6 / 4).
    {"SizeConvertedOnItsOwn", 6, 12, 1, 2, 1, 2, QRect(2, 3, 2, 3)},
    {"NegativeHalvesRoundAwayFromZero", 6, 13, -1, -4, 0, 0, QRect(-2, -7, 0, 0)},
    {"ZeroBaseUnits", 0, 0, 47, 44, 82, 8, QRect(0, 0, 0, 0)},
};

INSTANTIATE_TEST_SUITE_P(Cases, Conversion, testing::ValuesIn(kConversionCases),
                         [](const auto& info) { return std::string(info.param.name); });

// In a monospaced font every letter has the same width, so the average over A-Z and a-z is
// that width; the height is the font's full character height.
TEST(DialogUnitsFromFont, BaseUnitsOfAMonospacedFontAreItsCellSize) {
    for (int pointSize : {8, 9, 12, 20}) {
        SCOPED_TRACE(testing::Message() << pointSize << " pt");
        const QFont font(QStringLiteral("DejaVu Sans Mono"), pointSize);
        if (QFontInfo(font).family() != font.family() || !QFontInfo(font).fixedPitch())
            QV_SKIP_OR_FAIL("needs the monospaced font DejaVu Sans Mono (fonts-dejavu-core)");
        const QFontMetrics metrics(font);
        const DialogUnits units(metrics);
        EXPECT_EQ(units.AverageCharWidth(), metrics.horizontalAdvance(QLatin1Char('M')));
        EXPECT_EQ(units.AverageCharWidth(), metrics.horizontalAdvance(QLatin1Char('i')));
        EXPECT_EQ(units.CharHeight(), metrics.height());
        EXPECT_EQ(units.ToPixelsX(4), units.AverageCharWidth());
        EXPECT_EQ(units.ToPixelsY(8), metrics.height());
    }
}

}  // namespace
}  // namespace quorvex
