#include "ui/DesktopServices.h"

#include "ui/DefaultDesktopServices.h"

namespace quorvex {

namespace {

DesktopServices& Default() {
    static DefaultDesktopServices services;
    return services;
}

DesktopServices* current = nullptr;  // nullptr: the default

}  // namespace

DesktopServices& DesktopServices::Current() { return current ? *current : Default(); }

DesktopServices* DesktopServices::SetCurrent(DesktopServices* services) {
    DesktopServices* replaced = &Current();
    current = services;
    return replaced;
}

}  // namespace quorvex
