#include "ui/ApplicationIcon.h"

#include <QString>

// A static library's compiled-in resources are registered only when asked for. The macro
// declares the registration function where it stands, so it must stand outside any namespace.
static void RegisterQuorvexResources() { Q_INIT_RESOURCE(quorvex); }

namespace quorvex {

QIcon ApplicationIcon() {
    static const bool registered = (RegisterQuorvexResources(), true);
    static_cast<void>(registered);
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quorvex-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace quorvex
