// Desktop services that only record what they were asked to open; in use from construction to
// destruction, when the services they replaced come back.
#pragma once

#include <QString>
#include <QUrl>

#include <vector>

#include "ui/DesktopServices.h"

namespace quorvex::test {

class RecordingDesktopServices : public DesktopServices {
public:
    RecordingDesktopServices() : replaced(DesktopServices::SetCurrent(this)) {}
    ~RecordingDesktopServices() override { DesktopServices::SetCurrent(replaced); }
    RecordingDesktopServices(const RecordingDesktopServices&) = delete;
    RecordingDesktopServices& operator=(const RecordingDesktopServices&) = delete;

    bool OpenFile(const QString& path) override {
        files.push_back(path);
        return true;
    }
    bool OpenUrl(const QUrl& url) override {
        urls.push_back(url);
        return true;
    }

    std::vector<QString> files;  // paths given to OpenFile, in order
    std::vector<QUrl> urls;      // addresses given to OpenUrl, in order

private:
    DesktopServices* replaced;
};

}  // namespace quorvex::test
