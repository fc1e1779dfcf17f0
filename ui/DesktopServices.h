// The desktop's programs as the windows use them: the default viewer for the read-me file and
// the user's mail program for the About box's "mailto:" link. Callers go through Current();
// tests put a recording fake in its place with SetCurrent().
#pragma once

class QString;
class QUrl;

namespace quorvex {

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // Opens a file with the desktop's default program for its type; a relative path is taken
    // from the working directory. False when nothing could be started.
    virtual bool OpenFile(const QString& path) = 0;
    // Opens an address with the user's program for its scheme. False when nothing could be
    // started.
    virtual bool OpenUrl(const QUrl& url) = 0;

    // The services in use: the desktop's own (DefaultDesktopServices) unless others were set.
    static DesktopServices& Current();
    // Puts `services` in use, or the desktop's own again for nullptr; returns the services it
    // replaces. The caller keeps ownership. UI thread only.
    static DesktopServices* SetCurrent(DesktopServices* services);

protected:
    DesktopServices() = default;
    DesktopServices(const DesktopServices&) = default;
    DesktopServices& operator=(const DesktopServices&) = default;
};

}  // namespace quorvex
