#pragma once

#include "platform/Bundle.h"
#include "platform/Http.h"
#include "platform/TaskQueue.h"
#include "platform/Ui.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace scanbrook {

/// Gives the application's information dictionary, or nullopt when it has none.
using InfoDictionarySource = std::function<std::optional<platform::InfoDictionary>()>;

/// Asks the maker's update catalogue whether another version of this application is on offer,
/// and offers to open its download address in the browser. Every member function runs on the
/// main thread; only the download itself runs elsewhere.
///
/// The references must outlive the checker. The checker may be destroyed while a download is
/// pending: the catalogue is then dropped when it arrives.
class UpdateChecker {
public:
    UpdateChecker(platform::HttpClient& http, std::shared_ptr<platform::TaskQueue> mainQueue,
                  platform::AlertPresenter& alerts, platform::HelpMenu& helpMenu,
                  platform::UrlOpener& urlOpener, std::string catalogueUrl,
                  std::string downloadBaseUrl,
                  InfoDictionarySource infoDictionary = &platform::mainBundleInfoDictionary);
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;
    ~UpdateChecker();

    /// Starts the download of the catalogue and returns without waiting for it. When the
    /// application has no version string, shows the error alert instead and downloads nothing.
    void checkForUpdates();

    /// Whether a download may be read as a catalogue: no transport error, an HTTP response,
    /// a status from 200 to 299, the media type exactly "text/xml" or "text/plain", and a body.
    static bool validateUpdateResponse(const platform::HttpResponse& response);

    /// Reads a downloaded catalogue: marks the Help menu when it lists this application and
    /// offers every entry of it whose version differs from `runningVersion` and whose download
    /// address lies on the download site.
    void processUpdateCatalogue(std::string_view body, const std::string& runningVersion);

private:
    void offerUpdate(const std::string& version, const std::string& url,
                     const std::string& runningVersion);

    platform::HttpClient& http_;
    std::shared_ptr<platform::TaskQueue> mainQueue_;
    platform::AlertPresenter& alerts_;
    platform::HelpMenu& helpMenu_;
    platform::UrlOpener& urlOpener_;
    std::string catalogueUrl_;
    std::string downloadBaseUrl_;
    InfoDictionarySource infoDictionary_;
    /// Pending downloads hold this weakly and find it expired once the checker is gone.
    std::shared_ptr<UpdateChecker*> self_;
};

} // namespace scanbrook
