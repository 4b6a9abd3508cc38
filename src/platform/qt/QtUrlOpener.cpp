#include "platform/qt/QtUrlOpener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace scanbrook::platform {

void QtUrlOpener::openUrl(const std::string& url) {
    // Strict parsing: the text is opened as written or not at all, never "repaired" into
    // another address. Whether the desktop managed to open it is not the caller's concern.
    static_cast<void>(
        QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode)));
}

} // namespace scanbrook::platform
