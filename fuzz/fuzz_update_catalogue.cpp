// The update catalogue from whatever body the server sent. scripts/fuzz.sh runs this target with
// -timeout=5 -rss_limit_mb=512: it is read on the main thread, so every body must be read or
// refused within that, the deeply nested and self-multiplying seeds in the corpus included.

#include "FuzzSupport.h"

#include "app/UpdateCheck.h"
#include "support/Fakes.h"

#include <memory>

namespace {

using namespace scanbrook;

constexpr std::string_view kBase = "https://scanbrook.example/downloads/";

class NoHttp final : public platform::HttpClient {
public:
    void get(const std::string&, std::function<void(platform::HttpResponse)>) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NoHttp http;
    test::FakeAlertPresenter alerts;
    // The user always presses "Download", so every offer reaches the opener.
    alerts.answer = [](const platform::AlertRequest& request) {
        return request.buttons.size() == 2 ? platform::AlertPresenter::kFirstButton + 1
                                           : platform::AlertPresenter::kFirstButton;
    };
    test::FakeHelpMenu menu;
    test::FakeUrlOpener opener;
    UpdateChecker checker(http, std::make_shared<test::ManualQueue>(), alerts, menu, opener,
                          "https://scanbrook.example/updates/catalogue.plist", std::string(kBase),
                          [] { return std::optional<platform::InfoDictionary>(); });

    checker.processUpdateCatalogue(fuzz::bytesOf(data, size), "1.0.0");

    // Only addresses on the download site are ever opened, each after its own offer.
    std::size_t offers = 0;
    std::size_t errors = 0;
    for (const platform::AlertRequest& alert : alerts.shown) {
        if (alert.buttons.size() == 2) {
            ++offers;
            FUZZ_REQUIRE(alert.style == platform::AlertStyle::Informational);
        } else {
            ++errors;
            FUZZ_REQUIRE(alert.messageText == "An error occurred:");
        }
    }
    FUZZ_REQUIRE(opener.opened.size() == offers);
    for (const std::string& url : opener.opened) {
        FUZZ_REQUIRE(url.starts_with(kBase));
    }
    // An unreadable or empty catalogue is one error alert and nothing else.
    FUZZ_REQUIRE(errors <= 1);
    FUZZ_REQUIRE(errors == 0 || (alerts.shown.size() == 1 && !menu.itemChecked));
    // An offer is only made for an entry of this application, which marks the menu first.
    FUZZ_REQUIRE(offers == 0 || menu.itemChecked);
    return 0;
}
