// The update check's logic against stand-ins: what a catalogue offers, how the offers and errors
// are shown, and on which thread. Which responses are read is proven against a real server.

#include "app/UpdateCheck.h"

#include "Catalogues.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace scanbrook {
namespace {

using platform::AlertRequest;
using platform::HttpResponse;
using test::array;
using test::dict;
using test::entry;
using test::kDownloadBase;
using test::PlistFormat;
using test::textKey;

constexpr int kDownload = platform::AlertPresenter::kFirstButton + 1;
const std::string kCatalogueUrl = "https://scanbrook.example/updates/catalogue.plist";
const std::string kUrl = kDownloadBase + "Scanbrook-1.1.0.zip";

/// Keeps every download it is asked for; the test completes them.
class RecordingHttpClient final : public platform::HttpClient {
public:
    std::vector<std::string> urls;
    std::vector<std::function<void(HttpResponse)>> completions;
    void get(const std::string& url, std::function<void(HttpResponse)> completion) override {
        urls.push_back(url);
        completions.push_back(std::move(completion));
    }
};

/// A successful download of `body`.
HttpResponse response(int status, std::string contentType, std::string body) {
    HttpResponse r;
    r.isHttp = true;
    r.statusCode = status;
    r.contentType = std::move(contentType);
    r.body = std::move(body);
    return r;
}

struct Harness {
    test::FakeAlertPresenter alerts;
    test::FakeHelpMenu menu;
    test::FakeUrlOpener opener;
    RecordingHttpClient http;
    std::shared_ptr<test::ManualQueue> mainQueue = std::make_shared<test::ManualQueue>();
    std::optional<platform::InfoDictionary> info =
        platform::InfoDictionary{{"CFBundleShortVersionString", "1.0.0"}};
    std::unique_ptr<UpdateChecker> checker =
        std::make_unique<UpdateChecker>(http, mainQueue, alerts, menu, opener, kCatalogueUrl,
                                        kDownloadBase, [this] { return info; });

    void read(std::string_view root, PlistFormat format = PlistFormat::Xml) {
        checker->processUpdateCatalogue(test::encodePlist(root, format), "1.0.0");
    }
    /// The offers by their version, the errors by their message, in the order shown.
    std::vector<std::string> shown() const {
        std::vector<std::string> texts;
        const std::string offer = "An update to this app to version ";
        for (const AlertRequest& alert : alerts.shown) {
            texts.push_back(alert.messageText.starts_with(offer)
                                ? alert.messageText.substr(offer.size(), alert.messageText.size() -
                                                                             offer.size() - 14)
                                : alert.informativeText);
        }
        return texts;
    }
};

struct CatalogueCase {
    const char* name;
    std::string root; ///< the XML of the catalogue's root object
    std::vector<std::string> shown;
    bool marked;
};

class ReadCatalogue : public ::testing::TestWithParam<std::tuple<CatalogueCase, PlistFormat>> {};

TEST_P(ReadCatalogue, MarksOffersAndComplainsAsTheCatalogueSays) {
    const auto& [c, format] = GetParam();
    Harness h;
    h.read(c.root, format);
    EXPECT_EQ(h.shown(), c.shown);
    EXPECT_EQ(h.menu.itemChecked, c.marked);
    EXPECT_EQ(h.menu.itemTitle, c.marked ? "Checked for update" : "Update not checked");
    EXPECT_TRUE(h.opener.opened.empty()) << "nothing is opened unless the user asks";
}

CatalogueCase catalogue(const char* name, std::string root, std::vector<std::string> shown,
                        bool marked) {
    return {name, std::move(root), std::move(shown), marked};
}

/// An entry of this application.
std::string ours(std::string_view version, std::string_view url = kUrl) {
    return entry("Scanbrook", version, url);
}

const CatalogueCase kCatalogues[] = {
    catalogue("RunningVersionIsMarkedOnly", array({ours("1.0.0")}), {}, true),
    catalogue("OtherVersionsAreOffered", array({ours("0.9")}), {"0.9"}, true),
    catalogue("TwoOffersInArrayOrder", array({ours("1.2.0"), ours("1.1.0")}), {"1.2.0", "1.1.0"},
              true),
    catalogue("OtherApplicationsArePassedOver",
              array({entry("OtherApp", "9.0", kUrl), entry("scanbrook", "9.0", kUrl), ours("1.1")}),
              {"1.1"}, true),
    // The address must begin with the download site's: containing it is not enough.
    catalogue("UrlContainingTheBaseElsewhere",
              array({ours("1.1", "https://elsewhere.example/?" + kDownloadBase)}), {}, true),
    catalogue("UrlOverPlainHttp", array({ours("1.1", "http://scanbrook.example/downloads/")}), {},
              true),
    catalogue("UrlOnALookAlikeHost",
              array({ours("1.1", "https://scanbrook.example.evil.example/downloads/")}), {}, true),
    catalogue("UrlInAnotherFolder", array({ours("1.1", "https://scanbrook.example/download/")}), {},
              true),
    catalogue("EmptyArray", array({}), {"Update Property List has no entries."}, false),
    catalogue("RootIsADictionary", ours("1.1"), {"Error in update Property List."}, false),
    catalogue("ElementsThatAreNoDictionary",
              array({"<string>Scanbrook</string>", "<integer>1</integer>", ours("1.1")}), {"1.1"},
              true),
    catalogue("NoEntryOfThisApplication",
              array({entry("OtherApp", "9.0", kUrl), dict({textKey("Version", "1.1")}),
                     dict({"<key>AppName</key><array/>", textKey("Version", "1.1")})}),
              {}, false),
    // An entry of this application that cannot be offered still marks the menu.
    catalogue("VersionMissing", array({dict({textKey("AppName", "Scanbrook")})}), {}, true),
    catalogue("UrlNoText",
              array({dict({textKey("AppName", "Scanbrook"), textKey("Version", "1.1"),
                           "<key>URL</key><data>aHR0cHM6Ly9zY2FuYnJvb2suZXhhbXBsZS8=</data>"})}),
              {}, true),
    catalogue("BrokenEntryDoesNotStopTheNext",
              array({dict({textKey("AppName", "Scanbrook")}), ours("1.1")}), {"1.1"}, true),
};

INSTANTIATE_TEST_SUITE_P(Catalogues, ReadCatalogue,
                         ::testing::Combine(::testing::ValuesIn(kCatalogues),
                                            ::testing::Values(PlistFormat::Xml,
                                                              PlistFormat::Binary)),
                         [](const auto& param) {
                             return std::string(std::get<0>(param.param).name) +
                                    (std::get<1>(param.param) == PlistFormat::Xml ? "_Xml"
                                                                                  : "_Binary");
                         });

TEST(UpdateOffer, AsksWithTheVersionsAndOpensTheUrlExactlyAsReadOnDownload) {
    // Percent escapes, a query and a fragment pass unchanged; "&amp;" is the XML spelling of "&".
    const std::string url = kDownloadBase + "Scanbrook%202.0.zip?from=app&lang=en#top";
    const std::string urlInXml = kDownloadBase + "Scanbrook%202.0.zip?from=app&amp;lang=en#top";
    Harness h;
    h.alerts.answer = [](const AlertRequest&) { return kDownload; };
    h.read(array({entry("Scanbrook", "2.0", urlInXml)}));
    ASSERT_EQ(h.alerts.shown.size(), 1U);
    const AlertRequest& offer = h.alerts.shown.front();
    EXPECT_EQ(offer.style, platform::AlertStyle::Informational);
    EXPECT_EQ(offer.messageText, "An update to this app to version 2.0 is available.");
    EXPECT_EQ(offer.informativeText,
              "You are currently running Scanbrook version 1.0.0.\nPlease choose whether to "
              "download this update now in your default browser.");
    EXPECT_EQ(offer.buttons, (std::vector<std::string>{"Ignore", "Download"}));
    EXPECT_EQ(h.opener.opened, std::vector<std::string>{url});
}

TEST(UpdateOffer, EachOfTwoOffersIsAnsweredOnItsOwn) {
    Harness h;
    bool markedAtFirstOffer = false;
    h.alerts.answer = [&](const AlertRequest&) {
        if (h.alerts.shown.size() == 1) {
            markedAtFirstOffer = h.menu.itemChecked;
            return platform::AlertPresenter::kFirstButton; // Ignore
        }
        return kDownload;
    };
    h.read(array({entry("Scanbrook", "1.2.0", kDownloadBase + "a.zip"),
                  entry("Scanbrook", "1.1.0", kDownloadBase + "b.zip")}),
           PlistFormat::Binary);
    EXPECT_EQ(h.shown(), (std::vector<std::string>{"1.2.0", "1.1.0"}));
    EXPECT_TRUE(markedAtFirstOffer);
    EXPECT_EQ(h.opener.opened, std::vector<std::string>{kDownloadBase + "b.zip"});
}

TEST(CheckForUpdates, WithoutAVersionStringAlertsAndDownloadsNothing) {
    Harness h;
    h.info.reset();
    h.checker->checkForUpdates();
    EXPECT_TRUE(h.alerts.shown.empty()) << "without an information dictionary nothing happens";
    h.info = platform::InfoDictionary{{"CFBundleName", "Scanbrook"}};
    h.checker->checkForUpdates();
    EXPECT_TRUE(h.http.urls.empty());
    EXPECT_EQ(h.shown(),
              std::vector<std::string>{"Can't check for updates:\nNo app version string found."});
    EXPECT_EQ(h.alerts.shown.at(0).messageText, "An error occurred:");
}

TEST(CheckForUpdates, ReadsAnAcceptedCatalogueLaterOnTheMainQueue) {
    Harness h;
    h.info = platform::InfoDictionary{{"CFBundleShortVersionString", "0.5"}};
    h.checker->checkForUpdates();
    EXPECT_EQ(h.http.urls, std::vector<std::string>{kCatalogueUrl});
    EXPECT_EQ(h.mainQueue->size(), 0U);
    // The download completes on a thread of its own, as the platform's session does.
    std::thread([&] {
        h.http.completions.at(0)(
            response(200, "text/plain", test::catalogueOffering("1.1.0", PlistFormat::Binary)));
    }).join();
    EXPECT_TRUE(h.alerts.shown.empty()) << "nothing is shown from the download's thread";
    EXPECT_EQ(h.mainQueue->runAll(), 1);
    EXPECT_EQ(h.shown(), std::vector<std::string>{"1.1.0"});
    EXPECT_TRUE(h.alerts.shown[0].informativeText.starts_with(
        "You are currently running Scanbrook version 0.5.\n"));
}

// The window may close while the catalogue downloads.
TEST(CheckForUpdates, DropsACatalogueForACheckerThatIsGone) {
    const HttpResponse good =
        response(200, "text/xml", test::catalogueOffering("1.1.0", PlistFormat::Xml));
    Harness goneBefore;
    goneBefore.checker->checkForUpdates();
    goneBefore.checker.reset();
    goneBefore.http.completions.at(0)(good);
    goneBefore.mainQueue->runAll();

    Harness goneAfter;
    goneAfter.checker->checkForUpdates();
    goneAfter.http.completions.at(0)(good);
    goneAfter.checker.reset();
    goneAfter.mainQueue->runAll();

    for (const Harness* h : {&goneBefore, &goneAfter}) {
        EXPECT_TRUE(h->alerts.shown.empty());
        EXPECT_FALSE(h->menu.itemChecked);
    }
}

} // namespace
} // namespace scanbrook
