// DesktopServices through Qt's QDesktopServices: on Linux desktops that is xdg-open (or the
// desktop portal), which picks the user's default program for a file type or address scheme.
#pragma once

#include "ui/DesktopServices.h"

namespace quorvex {

class DefaultDesktopServices : public DesktopServices {
public:
    bool OpenFile(const QString& path) override;
    bool OpenUrl(const QUrl& url) override;
};

}  // namespace quorvex
