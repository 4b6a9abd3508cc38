// The update check's logic against stand-ins: which responses are read, what a catalogue offers,
// how the offers and errors are shown, and on which thread.

#include "app/UpdateCheck.h"

#include "support/Fakes.h"
#include "support/PropertyLists.h"

#include <gtest/gtest.h>

#include <thread>

namespace scanbrook {
namespace {

using platform::AlertRequest;
using platform::HttpResponse;
using test::PlistFormat;
using test::textKey;

const std::string kDownloadBase = "https://scanbrook.example/downloads/";
constexpr int kIgnore = platform::AlertPresenter::kFirstButton;
constexpr int kDownload = kIgnore + 1;

HttpResponse answer(int status, std::optional<std::string> type = "text/xml",
                    std::optional<std::string> body = "<plist/>", bool transportError = false) {
    return {transportError, status != 0, status, std::move(type), std::move(body)};
}

TEST(ValidateResponse, ReadsOnlyA2xxAnswerOfTextXmlOrTextPlainWithABody) {
    const std::pair<HttpResponse, bool> cases[] = {
        {answer(299), true},
        {answer(200, " text/plain\t;charset=utf-8"), true},
        {answer(199), false},
        {answer(300), false},
        {answer(200, "Text/XML"), false},
        {answer(200, "text/xml2"), false},
        {answer(200, "text/xml", std::nullopt), false},
        {answer(200, "text/xml", "", true), false}};
    for (const auto& [response, read] : cases) {
        EXPECT_EQ(UpdateChecker::validateUpdateResponse(response), read)
            << response.statusCode << " " << response.contentType.value_or("(no type)");
    }
}

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

struct Harness {
    test::FakeAlertPresenter alerts;
    test::FakeHelpMenu menu;
    test::FakeUrlOpener opener;
    RecordingHttpClient http;
    std::shared_ptr<test::ManualQueue> mainQueue = std::make_shared<test::ManualQueue>();
    std::optional<platform::InfoDictionary> info =
        platform::InfoDictionary{{"CFBundleShortVersionString", "1.0.0"}};
    std::unique_ptr<UpdateChecker> checker = std::make_unique<UpdateChecker>(
        http, mainQueue, alerts, menu, opener, "https://scanbrook.example/catalogue.plist",
        kDownloadBase, [this] { return info; });

    void read(std::string_view root, PlistFormat format = PlistFormat::Xml) {
        checker->processUpdateCatalogue(test::encodePlist(root, format), "1.0.0");
    }
    /// The offers by their version, the errors by their message, in the order shown.
    std::vector<std::string> shown() const {
        std::vector<std::string> texts;
        const std::string offer = "An update to this app to version ";
        for (const AlertRequest& alert : alerts.shown) {
            const std::string& text = alert.messageText;
            texts.push_back(text.starts_with(offer)
                                ? text.substr(offer.size(), text.size() - offer.size() - 14)
                                : alert.informativeText);
        }
        return texts;
    }
};

struct CatalogueCase {
    const char* name;
    std::vector<std::string> shown;
    bool marked;
    std::string root; ///< the XML of the catalogue's root object
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

/// `<tag>` around the XML of `elements` in order.
std::string element(std::string_view tag, std::initializer_list<std::string> elements) {
    std::string xml = "<" + std::string(tag) + ">";
    for (const std::string& part : elements) {
        xml += part;
    }
    return xml + "</" + std::string(tag) + ">";
}
std::string array(std::initializer_list<std::string> elements) {
    return element("array", elements);
}
std::string dict(std::initializer_list<std::string> members) {
    return element("dict", members);
}
std::string entry(std::string_view appName, std::string_view version, std::string_view url) {
    return dict({textKey("AppName", appName), textKey("Version", version), textKey("URL", url)});
}
/// An entry of this application.
std::string ours(std::string_view version, std::string_view url = kDownloadBase + "S.zip") {
    return entry("Scanbrook", version, url);
}
CatalogueCase row(const char* name, std::vector<std::string> shown, bool marked, std::string root) {
    return {name, std::move(shown), marked, std::move(root)};
}
const std::string kName = textKey("AppName", "Scanbrook");
const std::string kError = "Error in update Property List.";

const CatalogueCase kCatalogues[] = {
    row("RunningVersionIsMarkedOnly", {}, true, array({ours("1.0.0")})),
    row("TwoOffersInArrayOrder", {"1.2.0", "1.1.0"}, true, array({ours("1.2.0"), ours("1.1.0")})),
    row("LowerVersionIsOfferedToo", {"0.9.0"}, true, array({ours("0.9.0")})),
    row("OtherApps", {}, false,
        array({entry("Other", "9", kDownloadBase), entry("scanbrook", "9", "")})),
    // The address must begin with the download site's: containing it is not enough.
    row("UrlContainingTheBase", {}, true,
        array({ours("1.1", "https://elsewhere.example/?" + kDownloadBase)})),
    row("UrlOverPlainHttp", {}, true, array({ours("1.1", "http://scanbrook.example/downloads/")})),
    row("UrlOnALookAlikeHost", {}, true,
        array({ours("1.1", "https://scanbrook.example.x.example/downloads/")})),
    row("EmptyArray", {"Update Property List has no entries."}, false, array({})),
    row("RootIsADictionary", {kError}, false, ours("1.1")),
    // Elements that are no dictionary or have no text "AppName" are passed over; an entry of
    // this application without a text "Version" or "URL" marks the menu and is passed over.
    row("BrokenEntries", {"1.2"}, true,
        array({"<string>Scanbrook</string>", dict({"<key>AppName</key><array/>"}),
               dict({kName, textKey("Version", "1.1"), "<key>URL</key><data>aHR0cHM6Ly8=</data>"}),
               ours("1.2")})),
    row("EntryWithoutVersionMarks", {}, true,
        array({dict({kName, textKey("URL", kDownloadBase)})})),
};

INSTANTIATE_TEST_SUITE_P(Catalogues, ReadCatalogue,
                         ::testing::Combine(::testing::ValuesIn(kCatalogues),
                                            ::testing::Values(PlistFormat::Xml,
                                                              PlistFormat::Binary)),
                         [](const auto& p) {
                             return std::string(std::get<0>(p.param).name) +
                                    (std::get<1>(p.param) == PlistFormat::Xml ? "_Xml" : "_Binary");
                         });

TEST(UpdateOffer, EachOfferIsAnsweredOnItsOwnAndDownloadOpensTheUrlExactlyAsRead) {
    Harness h;
    bool markedAtFirstOffer = false;
    h.alerts.answer = [&](const AlertRequest&) {
        markedAtFirstOffer = markedAtFirstOffer || h.menu.itemChecked;
        return h.alerts.shown.size() == 1 ? kIgnore : kDownload;
    };
    // Percent escapes, a query and a fragment pass unchanged; "&amp;" is the XML spelling of "&".
    h.read(array({ours("1.2.0"), ours("2.0", kDownloadBase + "S%202.0.zip?a=1&amp;b=2#top")}));
    EXPECT_EQ(h.shown(), (std::vector<std::string>{"1.2.0", "2.0"}));
    EXPECT_TRUE(markedAtFirstOffer);
    EXPECT_EQ(h.opener.opened, std::vector<std::string>{kDownloadBase + "S%202.0.zip?a=1&b=2#top"});
    const AlertRequest& offer = h.alerts.shown.at(0);
    EXPECT_EQ(offer.style, platform::AlertStyle::Informational);
    EXPECT_EQ(offer.messageText, "An update to this app to version 1.2.0 is available.");
    EXPECT_EQ(offer.informativeText,
              "You are currently running Scanbrook version 1.0.0.\nPlease choose whether to "
              "download this update now in your default browser.");
    EXPECT_EQ(offer.buttons, (std::vector<std::string>{"Ignore", "Download"}));
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
    EXPECT_EQ(h.http.urls, std::vector<std::string>{"https://scanbrook.example/catalogue.plist"});
    // The download completes on a thread of its own, as the platform's session does.
    std::thread([&] {
        h.http.completions.at(0)(answer(
            200, "text/plain", test::encodePlist(array({ours("1.1.0")}), PlistFormat::Binary)));
    }).join();
    EXPECT_TRUE(h.alerts.shown.empty()) << "nothing is shown from the download's thread";
    EXPECT_EQ(h.mainQueue->runAll(), 1);
    EXPECT_EQ(h.shown(), std::vector<std::string>{"1.1.0"});
    EXPECT_TRUE(h.alerts.shown[0].informativeText.starts_with(
        "You are currently running Scanbrook version 0.5.\n"));
}

} // namespace
} // namespace scanbrook
