#include "app/UpdateCheck.h"

#include "Catalogues.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace scanbrook {
namespace {

using platform::AlertPresenter;
using platform::AlertRequest;
using platform::AlertStyle;
using platform::HttpResponse;
using test::array;
using test::encodePlist;
using test::entry;
using test::kDownloadBase;
using test::PlistFormat;

constexpr auto kDownload = AlertPresenter::kFirstButton + 1;
const std::string kCatalogueUrl = "https://scanbrook.example/updates/catalogue.plist";
const std::string kRunning = "1.0.0";

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

HttpResponse response(int status, std::optional<std::string> contentType,
                      std::optional<std::string> body = std::string("body")) {
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
    std::optional<platform::InfoDictionary> info = platform::InfoDictionary{
        {"CFBundleName", "Scanbrook"}, {"CFBundleShortVersionString", kRunning}};
    std::unique_ptr<UpdateChecker> checker =
        std::make_unique<UpdateChecker>(http, mainQueue, alerts, menu, opener, kCatalogueUrl,
                                        kDownloadBase, [this] { return info; });

    std::vector<std::string> offeredVersions() const {
        std::vector<std::string> versions;
        const std::string prefix = "An update to this app to version ";
        for (const AlertRequest& alert : alerts.shown) {
            if (alert.messageText.starts_with(prefix)) {
                versions.push_back(alert.messageText.substr(
                    prefix.size(), alert.messageText.size() - prefix.size() - 14));
            }
        }
        return versions;
    }
    std::vector<std::string> errorMessages() const {
        std::vector<std::string> messages;
        for (const AlertRequest& alert : alerts.shown) {
            if (alert.messageText == "An error occurred:") {
                messages.push_back(alert.informativeText);
            }
        }
        return messages;
    }
};

// --- Checking the response ---------------------------------------------------------------

struct ResponseCase {
    const char* name;
    HttpResponse response;
    bool accepted;
};

void PrintTo(const ResponseCase& c, std::ostream* os) {
    *os << c.name;
}

class ValidateUpdateResponse : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(ValidateUpdateResponse, AcceptsOnlyAWholeSuccessfulTextResponse) {
    EXPECT_EQ(UpdateChecker::validateUpdateResponse(GetParam().response), GetParam().accepted);
}

HttpResponse withTransportError(HttpResponse r) {
    r.transportError = true;
    return r;
}

HttpResponse notHttp() {
    HttpResponse r = response(200, "text/xml");
    r.isHttp = false;
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Responses, ValidateUpdateResponse,
    ::testing::Values(
        ResponseCase{"Status200Xml", response(200, "text/xml"), true},
        ResponseCase{"Status200Plain", response(200, "text/plain"), true},
        ResponseCase{"Status299", response(299, "text/xml"), true},
        ResponseCase{"Status199", response(199, "text/xml"), false},
        ResponseCase{"Status300", response(300, "text/xml"), false},
        ResponseCase{"Status404", response(404, "text/xml"), false},
        ResponseCase{"Status500", response(500, "text/plain"), false},
        ResponseCase{"ApplicationXml", response(200, "application/xml"), false},
        ResponseCase{"TextHtml", response(200, "text/html"), false},
        ResponseCase{"XmlWithCharset", response(200, "text/xml; charset=utf-8"), true},
        ResponseCase{"PlainWithCharsetAndBlanks", response(200, " text/plain ;charset=utf-8"),
                     true},
        ResponseCase{"XmlWithTabBeforeParameter", response(200, "text/xml\t; charset=utf-8"), true},
        ResponseCase{"UpperCase", response(200, "Text/XML"), false},
        ResponseCase{"LongerType", response(200, "text/xml2"), false},
        ResponseCase{"TypePrefix", response(200, "text/x"), false},
        ResponseCase{"EmptyType", response(200, ""), false},
        ResponseCase{"OnlyParameters", response(200, "; charset=utf-8"), false},
        ResponseCase{"MissingType", response(200, std::nullopt), false},
        ResponseCase{"TransportError", withTransportError(response(200, "text/xml")), false},
        ResponseCase{"NotHttp", notHttp(), false},
        ResponseCase{"NoBody", response(200, "text/xml", std::nullopt), false},
        // An empty body is still a body: the catalogue reader then finds no property list.
        ResponseCase{"EmptyBody", response(200, "text/xml", std::string()), true}),
    [](const auto& param) { return std::string(param.param.name); });

// --- Reading the catalogue ---------------------------------------------------------------

struct CatalogueCase {
    const char* name;
    std::string root; ///< the XML of the catalogue's root object
    std::vector<std::string> offered;
    bool marked;
    std::vector<std::string> errors;
};

void PrintTo(const CatalogueCase& c, std::ostream* os) {
    *os << c.name;
}

std::string dict(std::initializer_list<std::string> keysAndValues) {
    std::string xml = "<dict>";
    for (const std::string& part : keysAndValues) {
        xml += part;
    }
    return xml + "</dict>";
}

const std::string kUrl11 = kDownloadBase + "Scanbrook-1.1.0.zip";

std::vector<CatalogueCase> catalogueCases() {
    using test::textKey;
    return {
        {"RunningVersionIsMarkedOnly", array({entry("Scanbrook", kRunning, kUrl11)}), {}, true, {}},
        {"HigherVersionIsOffered",
         array({entry("Scanbrook", "1.1.0", kUrl11)}),
         {"1.1.0"},
         true,
         {}},
        {"LowerVersionIsOffered", array({entry("Scanbrook", "0.9", kUrl11)}), {"0.9"}, true, {}},
        {"VersionsCompareAsWholeTexts",
         array({entry("Scanbrook", "1.0.0 ", kUrl11)}),
         {"1.0.0 "},
         true,
         {}},
        {"OtherApplicationIsPassedOver", array({entry("OtherApp", "9.0", kUrl11)}), {}, false, {}},
        {"ApplicationNameIsCaseSensitive",
         array({entry("scanbrook", "1.1.0", kUrl11)}),
         {},
         false,
         {}},
        {"OtherApplicationsAroundThisOne",
         array({entry("OtherApp", "9.0", kUrl11), entry("Scanbrook", "1.1.0", kUrl11),
                entry("ThirdApp", "2.0", kUrl11)}),
         {"1.1.0"},
         true,
         {}},
        {"UrlOffTheDownloadSite",
         array({entry("Scanbrook", "1.1.0", "https://elsewhere.example/Scanbrook.zip")}),
         {},
         true,
         {}},
        {"UrlContainingTheBaseElsewhere",
         array({entry("Scanbrook", "1.1.0",
                      "https://elsewhere.example/?https://scanbrook.example/downloads/")}),
         {},
         true,
         {}},
        {"UrlOverPlainHttp",
         array({entry("Scanbrook", "1.1.0", "http://scanbrook.example/downloads/Scanbrook.zip")}),
         {},
         true,
         {}},
        {"UrlOnALookAlikeHost",
         array({entry("Scanbrook", "1.1.0",
                      "https://scanbrook.example.elsewhere.example/downloads/Scanbrook.zip")}),
         {},
         true,
         {}},
        {"UrlInAnotherFolderOfTheSite",
         array({entry("Scanbrook", "1.1.0", "https://scanbrook.example/download/Scanbrook.zip")}),
         {},
         true,
         {}},
        {"TwoOffersInArrayOrder",
         array({entry("Scanbrook", "1.2.0", kUrl11), entry("Scanbrook", "1.1.0", kUrl11)}),
         {"1.2.0", "1.1.0"},
         true,
         {}},
        {"OtherKeysAreIgnored",
         array({dict({textKey("Notes", "x"), textKey("AppName", "Scanbrook"),
                      "<key>Size</key><integer>12</integer>", textKey("Version", "1.1.0"),
                      textKey("URL", kUrl11)})}),
         {"1.1.0"},
         true,
         {}},
        {"EmptyArray", array({}), {}, false, {"Update Property List has no entries."}},
        {"RootIsADictionary",
         entry("Scanbrook", "1.1.0", kUrl11),
         {},
         false,
         {"Error in update Property List."}},
        {"RootIsAText",
         "<string>Scanbrook</string>",
         {},
         false,
         {"Error in update Property List."}},
        {"ElementsThatAreNoDictionaryArePassedOver",
         array({"<string>Scanbrook</string>", "<array/>", "<integer>1</integer>",
                entry("Scanbrook", "1.1.0", kUrl11)}),
         {"1.1.0"},
         true,
         {}},
        {"EntryWithoutAppName",
         array({dict({textKey("Version", "1.1.0"), textKey("URL", kUrl11)})}),
         {},
         false,
         {}},
        {"AppNameThatIsNoText",
         array({dict({"<key>AppName</key><array><string>Scanbrook</string></array>",
                      textKey("Version", "1.1.0"), textKey("URL", kUrl11)})}),
         {},
         false,
         {}},
        {"EntryWithoutVersion",
         array({dict({textKey("AppName", "Scanbrook"), textKey("URL", kUrl11)})}),
         {},
         true,
         {}},
        {"EntryWithoutUrl",
         array({dict({textKey("AppName", "Scanbrook"), textKey("Version", "1.1.0")})}),
         {},
         true,
         {}},
        {"VersionThatIsNoText",
         array({dict({textKey("AppName", "Scanbrook"), "<key>Version</key><real>1.1</real>",
                      textKey("URL", kUrl11)})}),
         {},
         true,
         {}},
        {"UrlThatIsNoText",
         array({dict({textKey("AppName", "Scanbrook"), textKey("Version", "1.1.0"),
                      "<key>URL</key><data>aHR0cHM6Ly9zY2FuYnJvb2suZXhhbXBsZS8=</data>"})}),
         {},
         true,
         {}},
        {"BrokenEntryDoesNotStopTheNext",
         array({dict({textKey("AppName", "Scanbrook")}), entry("Scanbrook", "1.1.0", kUrl11)}),
         {"1.1.0"},
         true,
         {}},
    };
}

class ReadCatalogue : public ::testing::TestWithParam<std::tuple<CatalogueCase, PlistFormat>> {};

TEST_P(ReadCatalogue, MarksOffersAndComplainsAsTheCatalogueSays) {
    const auto& [c, format] = GetParam();
    Harness h;
    h.checker->processUpdateCatalogue(encodePlist(c.root, format), kRunning);

    EXPECT_EQ(h.offeredVersions(), c.offered);
    EXPECT_EQ(h.errorMessages(), c.errors);
    EXPECT_EQ(h.alerts.shown.size(), c.offered.size() + c.errors.size());
    EXPECT_EQ(h.menu.itemChecked, c.marked);
    EXPECT_EQ(h.menu.itemTitle, c.marked ? "Checked for update" : "Update not checked");
    EXPECT_TRUE(h.opener.opened.empty()) << "nothing is opened unless the user asks";
}

INSTANTIATE_TEST_SUITE_P(Catalogues, ReadCatalogue,
                         ::testing::Combine(::testing::ValuesIn(catalogueCases()),
                                            ::testing::Values(PlistFormat::Xml,
                                                              PlistFormat::Binary)),
                         [](const auto& param) {
                             return std::string(std::get<0>(param.param).name) +
                                    (std::get<1>(param.param) == PlistFormat::Xml ? "_Xml"
                                                                                  : "_Binary");
                         });

class BodyThatIsNoPropertyList : public ::testing::TestWithParam<std::string> {};

TEST_P(BodyThatIsNoPropertyList, ShowsTheErrorAlertOnly) {
    Harness h;
    h.checker->processUpdateCatalogue(GetParam(), kRunning);
    EXPECT_EQ(h.errorMessages(), std::vector<std::string>{"Error in update Property List."});
    EXPECT_EQ(h.alerts.shown.size(), 1U);
    EXPECT_FALSE(h.menu.itemChecked);
}

std::string truncatedBinaryCatalogue() {
    std::string binary = test::catalogueOffering("1.1.0", PlistFormat::Binary);
    binary.resize(binary.size() / 2);
    return binary;
}

INSTANTIATE_TEST_SUITE_P(Bodies, BodyThatIsNoPropertyList,
                         ::testing::Values(std::string(), std::string("not a property list"),
                                           std::string("<html><body>Not found</body></html>"),
                                           std::string("bplist00"), truncatedBinaryCatalogue(),
                                           std::string("\0\1\2\3", 4)));

TEST(UpdateOffer, AsksWithTheVersionsAndTheTwoButtons) {
    Harness h;
    h.checker->processUpdateCatalogue(
        encodePlist(array({entry("Scanbrook", "2.0", kUrl11)}), PlistFormat::Xml), kRunning);
    ASSERT_EQ(h.alerts.shown.size(), 1U);
    const AlertRequest& offer = h.alerts.shown.front();
    EXPECT_EQ(offer.style, AlertStyle::Informational);
    EXPECT_EQ(offer.messageText, "An update to this app to version 2.0 is available.");
    EXPECT_EQ(offer.informativeText,
              "You are currently running Scanbrook version 1.0.0.\nPlease choose whether to "
              "download this update now in your default browser.");
    EXPECT_EQ(offer.buttons, (std::vector<std::string>{"Ignore", "Download"}));
}

TEST(UpdateOffer, IgnoreOpensNothing) {
    Harness h; // the fake answers with the first button
    h.checker->processUpdateCatalogue(
        encodePlist(array({entry("Scanbrook", "2.0", kUrl11)}), PlistFormat::Binary), kRunning);
    ASSERT_EQ(h.alerts.shown.size(), 1U);
    EXPECT_TRUE(h.opener.opened.empty());
}

TEST(UpdateOffer, DownloadOpensTheUrlExactlyAsRead) {
    // Percent escapes, a query and a fragment pass unchanged; "&amp;" is the XML spelling of "&".
    const std::string urlInXml = kDownloadBase + "Scanbrook%202.0.zip?from=app&amp;lang=en#top";
    const std::string url = kDownloadBase + "Scanbrook%202.0.zip?from=app&lang=en#top";
    Harness h;
    h.alerts.answer = [](const AlertRequest&) { return kDownload; };
    h.checker->processUpdateCatalogue(
        encodePlist(array({entry("Scanbrook", "2.0", urlInXml)}), PlistFormat::Xml), kRunning);
    ASSERT_EQ(h.alerts.shown.size(), 1U);
    EXPECT_EQ(h.opener.opened, std::vector<std::string>{url});
}

TEST(UpdateOffer, EachOfTwoOffersIsAnsweredOnItsOwn) {
    Harness h;
    bool markedAtFirstOffer = false;
    h.alerts.answer = [&](const AlertRequest&) {
        if (h.alerts.shown.size() == 1) {
            markedAtFirstOffer = h.menu.itemChecked;
            return AlertPresenter::kFirstButton; // Ignore
        }
        return kDownload;
    };
    h.checker->processUpdateCatalogue(
        encodePlist(array({entry("Scanbrook", "1.2.0", kDownloadBase + "a.zip"),
                           entry("Scanbrook", "1.1.0", kDownloadBase + "b.zip")}),
                    PlistFormat::Binary),
        kRunning);
    EXPECT_EQ(h.offeredVersions(), (std::vector<std::string>{"1.2.0", "1.1.0"}));
    EXPECT_TRUE(markedAtFirstOffer);
    EXPECT_EQ(h.opener.opened, std::vector<std::string>{kDownloadBase + "b.zip"});
    EXPECT_EQ(h.menu.requests, 2) << "every entry of this application asks for the mark";
}

// --- Starting the check ------------------------------------------------------------------

TEST(CheckForUpdates, WithoutAnInformationDictionaryDoesNothing) {
    Harness h;
    h.info.reset();
    h.checker->checkForUpdates();
    EXPECT_TRUE(h.http.urls.empty());
    EXPECT_TRUE(h.alerts.shown.empty());
}

TEST(CheckForUpdates, WithoutAVersionStringAlertsAndDownloadsNothing) {
    Harness h;
    h.info = platform::InfoDictionary{{"CFBundleName", "Scanbrook"}};
    h.checker->checkForUpdates();
    EXPECT_TRUE(h.http.urls.empty());
    ASSERT_EQ(h.alerts.shown.size(), 1U);
    EXPECT_EQ(h.alerts.shown[0].messageText, "An error occurred:");
    EXPECT_EQ(h.alerts.shown[0].informativeText,
              "Can't check for updates:\nNo app version string found.");
}

TEST(CheckForUpdates, StartsOneDownloadOfTheCatalogueAndReturns) {
    Harness h;
    h.checker->checkForUpdates();
    EXPECT_EQ(h.http.urls, std::vector<std::string>{kCatalogueUrl});
    EXPECT_TRUE(h.alerts.shown.empty());
    EXPECT_EQ(h.mainQueue->size(), 0U);
}

TEST(CheckForUpdates, ReadsAnAcceptedCatalogueLaterOnTheMainQueue) {
    Harness h;
    h.info = platform::InfoDictionary{{"CFBundleShortVersionString", "0.5"}};
    h.checker->checkForUpdates();
    ASSERT_EQ(h.http.completions.size(), 1U);
    // The download completes on a thread of its own, as the platform's session does.
    std::thread session([&] {
        h.http.completions[0](
            response(200, "text/plain", test::catalogueOffering("1.1.0", PlistFormat::Binary)));
    });
    session.join();
    EXPECT_TRUE(h.alerts.shown.empty()) << "nothing is shown from the download's thread";
    EXPECT_EQ(h.mainQueue->runAll(), 1);
    ASSERT_EQ(h.alerts.shown.size(), 1U);
    EXPECT_EQ(h.alerts.shown[0].informativeText.substr(0, 50),
              "You are currently running Scanbrook version 0.5.\nP");
}

TEST(CheckForUpdates, DropsARejectedDownloadSilently) {
    Harness h;
    h.checker->checkForUpdates();
    ASSERT_EQ(h.http.completions.size(), 1U);
    h.http.completions[0](
        response(200, "application/xml", test::catalogueOffering("1.1.0", PlistFormat::Xml)));
    EXPECT_EQ(h.mainQueue->runAll(), 0);
    EXPECT_TRUE(h.alerts.shown.empty());
    EXPECT_FALSE(h.menu.itemChecked);
}

TEST(CheckForUpdates, ACatalogueArrivingAfterTheCheckerIsGoneIsDropped) {
    Harness h;
    h.checker->checkForUpdates();
    ASSERT_EQ(h.http.completions.size(), 1U);
    h.checker.reset();
    h.http.completions[0](
        response(200, "text/xml", test::catalogueOffering("1.1.0", PlistFormat::Xml)));
    h.mainQueue->runAll();
    EXPECT_TRUE(h.alerts.shown.empty());
    EXPECT_FALSE(h.menu.itemChecked);
}

TEST(CheckForUpdates, ACatalogueQueuedBeforeTheCheckerIsGoneIsDropped) {
    Harness h;
    h.checker->checkForUpdates();
    ASSERT_EQ(h.http.completions.size(), 1U);
    h.http.completions[0](
        response(200, "text/xml", test::catalogueOffering("1.1.0", PlistFormat::Xml)));
    ASSERT_EQ(h.mainQueue->size(), 1U);
    h.checker.reset();
    h.mainQueue->runAll();
    EXPECT_TRUE(h.alerts.shown.empty());
}

TEST(CheckForUpdates, EveryCallStartsItsOwnDownload) {
    Harness h;
    h.checker->checkForUpdates();
    h.checker->checkForUpdates();
    EXPECT_EQ(h.http.urls.size(), 2U);
}

} // namespace
} // namespace scanbrook
