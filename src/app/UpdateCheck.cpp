#include "app/UpdateCheck.h"

#include "app/ErrorAlert.h"
#include "platform/PropertyList.h"

#include <utility>

namespace scanbrook {

namespace {

constexpr std::string_view kApplicationName = "Scanbrook";
constexpr std::string_view kUncheckedTitle = "Update not checked";
constexpr std::string_view kCheckedTitle = "Checked for update";

/// The media type of a Content-Type value: what precedes any parameters, without the blanks
/// around it.
std::string_view mediaType(std::string_view contentType) {
    contentType = contentType.substr(0, contentType.find(';'));
    constexpr std::string_view blanks = " \t";
    const auto first = contentType.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = contentType.find_last_not_of(blanks);
    return contentType.substr(first, last - first + 1);
}

const std::string* findText(const platform::TextDictionary& entry, std::string_view key) {
    const auto it = entry.find(key);
    return it == entry.end() ? nullptr : &it->second;
}

} // namespace

UpdateChecker::UpdateChecker(platform::HttpClient& http,
                             std::shared_ptr<platform::TaskQueue> mainQueue,
                             platform::AlertPresenter& alerts, platform::HelpMenu& helpMenu,
                             platform::UrlOpener& urlOpener, std::string catalogueUrl,
                             std::string downloadBaseUrl, InfoDictionarySource infoDictionary)
    : http_(http), mainQueue_(std::move(mainQueue)), alerts_(alerts), helpMenu_(helpMenu),
      urlOpener_(urlOpener), catalogueUrl_(std::move(catalogueUrl)),
      downloadBaseUrl_(std::move(downloadBaseUrl)), infoDictionary_(std::move(infoDictionary)),
      self_(std::make_shared<UpdateChecker*>(this)) {}

UpdateChecker::~UpdateChecker() = default;

void UpdateChecker::checkForUpdates() {
    const std::optional<platform::InfoDictionary> info = infoDictionary_();
    if (!info) {
        return;
    }
    // The dictionary holds text values only, so a version string of another kind is missing too.
    const auto version = info->find("CFBundleShortVersionString");
    if (version == info->end()) {
        showErrorAlert(alerts_, "Can't check for updates:\nNo app version string found.");
        return;
    }

    // The completion may run on another thread and after this checker is gone: it touches only
    // what it carries, and the checker is looked up again on the main thread.
    http_.get(catalogueUrl_, [mainQueue = mainQueue_, checker = std::weak_ptr(self_),
                              runningVersion = version->second](platform::HttpResponse response) {
        if (!validateUpdateResponse(response)) {
            return;
        }
        mainQueue->addOperation([checker, runningVersion, body = std::move(*response.body)] {
            if (const auto self = checker.lock()) {
                (*self)->processUpdateCatalogue(body, runningVersion);
            }
        });
    });
}

bool UpdateChecker::validateUpdateResponse(const platform::HttpResponse& response) {
    if (response.transportError) {
        return false;
    }
    if (!response.isHttp) {
        return false;
    }
    if (response.statusCode < 200 || response.statusCode > 299) {
        return false;
    }
    if (!response.contentType) {
        return false;
    }
    const std::string_view type = mediaType(*response.contentType);
    if (type != "text/xml" && type != "text/plain") {
        return false;
    }
    return response.body.has_value();
}

void UpdateChecker::processUpdateCatalogue(std::string_view body,
                                           const std::string& runningVersion) {
    const std::optional<platform::DictionaryArray> catalogue = platform::parseDictionaryArray(body);
    if (!catalogue) {
        showErrorAlert(alerts_, "Error in update Property List.");
        return;
    }
    if (catalogue->empty()) {
        showErrorAlert(alerts_, "Update Property List has no entries.");
        return;
    }

    for (const std::optional<platform::TextDictionary>& entry : *catalogue) {
        // The catalogue serves several applications; what is not an entry of this one, or not
        // an entry at all, is none of its business.
        if (!entry) {
            continue;
        }
        const std::string* appName = findText(*entry, "AppName");
        if (appName == nullptr || *appName != kApplicationName) {
            continue;
        }
        // Marked before the versions are compared: the mark says the catalogue was read and
        // lists this application, whether or not it offers an update.
        helpMenu_.checkAndRetitleItem(kUncheckedTitle, kCheckedTitle);

        const std::string* version = findText(*entry, "Version");
        const std::string* url = findText(*entry, "URL");
        if (version == nullptr || url == nullptr) {
            continue;
        }
        // Versions are not ordered: any other version, a lower one too, is on offer.
        if (*version == runningVersion) {
            continue;
        }
        // Only an address on the download site is ever opened. It must begin with the base; an
        // address that merely contains it could lead anywhere.
        if (!url->starts_with(downloadBaseUrl_)) {
            continue;
        }
        offerUpdate(*version, *url, runningVersion);
    }
}

void UpdateChecker::offerUpdate(const std::string& version, const std::string& url,
                                const std::string& runningVersion) {
    platform::AlertRequest offer;
    offer.style = platform::AlertStyle::Informational;
    offer.messageText = "An update to this app to version " + version + " is available.";
    offer.informativeText = "You are currently running " + std::string(kApplicationName) +
                            " version " + runningVersion +
                            ".\nPlease choose whether to download this update now in your default "
                            "browser.";
    offer.buttons = {"Ignore", "Download"};
    if (alerts_.runModal(offer) == platform::AlertPresenter::kFirstButton + 1) {
        urlOpener_.openUrl(url);
    }
}

} // namespace scanbrook
