#pragma once

#include "platform/Ui.h"

namespace scanbrook::platform {

/// Hands URLs to the desktop, which opens them in the user's default application for them.
class QtUrlOpener final : public UrlOpener {
public:
    /// A text that forms no URL is not opened.
    void openUrl(const std::string& url) override;
};

} // namespace scanbrook::platform
