#include "ui/DefaultDesktopServices.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace quorvex {

bool DefaultDesktopServices::OpenFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

bool DefaultDesktopServices::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace quorvex
