// The compiled-in application icon is the described picture: a rounded square shaded from teal
// to yellow-green, a white arrow down on the left and a white arrow up on the right.
#include <gtest/gtest.h>

#include <QImage>

#include "ui/ApplicationIcon.h"

namespace quorvex {
namespace {

bool Transparent(QColor c) { return c.alpha() < 16; }
bool White(QColor c) {
    return c.alpha() > 240 && c.red() > 235 && c.green() > 235 && c.blue() > 235;
}
bool Teal(QColor c) {
    return c.alpha() > 240 && c.green() > c.red() + 60 && c.blue() > c.red() + 40;
}
bool YellowGreen(QColor c) {
    return c.alpha() > 240 && c.red() > c.blue() + 30 && c.green() > c.blue() + 80 && !White(c);
}

struct PointCase {
    const char* name;
    int x, y;  // in the 48 x 48 picture
    bool (*looks)(QColor);
};

TEST(ApplicationIcon, The48PixelPictureIsTheDescribedOne) {
    const QImage picture = ApplicationIcon().pixmap(QSize(48, 48), 1.0).toImage();
    ASSERT_EQ(picture.size(), QSize(48, 48));
    const PointCase points[] = {
        {"rounded top left corner", 1, 1, Transparent},
        {"rounded bottom right corner", 46, 46, Transparent},
        {"teal at the top left", 6, 6, Teal},
        {"yellow-green at the bottom right", 42, 42, YellowGreen},
        {"left arrow's shaft at the top", 16, 12, White},
        {"left arrow's head, wide, at the bottom", 11, 27, White},
        {"left arrow, no head at the top", 11, 12, Teal},
        {"right arrow's shaft at the bottom", 32, 36, White},
        {"right arrow's head, wide, at the top", 37, 21, White},
        {"right arrow, no head at the bottom", 37, 36, YellowGreen},
    };
    for (const PointCase& p : points) {
        const QColor colour = picture.pixelColor(p.x, p.y);
        SCOPED_TRACE(testing::Message() << p.name << " (" << p.x << ", " << p.y << ") is "
                                        << colour.name(QColor::HexArgb).toStdString());
        EXPECT_TRUE(p.looks(colour));
    }
}

}  // namespace
}  // namespace quorvex
