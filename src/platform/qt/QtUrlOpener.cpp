#include "platform/qt/QtUrlOpener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace scanbrook::platform {

void QtUrlOpener::openUrl(const std::string& url) {
    // Strict parsing: the text is opened as written or not at all, never "repaired" into
    // another address. The check is ours because a URL handler registered for the scheme would
    // be given even an invalid URL.
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    if (!parsed.isValid()) {
        return;
    }
    // Whether the desktop managed to open it is not the caller's concern.
    static_cast<void>(QDesktopServices::openUrl(parsed));
}

} // namespace scanbrook::platform
