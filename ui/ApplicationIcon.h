// The application's icon: a rounded square shaded from teal to yellow-green, a white arrow
// pointing down on the left and one pointing up on the right (res/quorvex.svg), from its PNG
// renderings compiled into the program.
#pragma once

#include <QIcon>

namespace quorvex {

// The icon at 16, 32, 48, 64, 128 and 256 pixels; Qt picks or scales the nearest rendering.
QIcon ApplicationIcon();

}  // namespace quorvex
