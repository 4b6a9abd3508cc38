// The whole update check against a real HTTP server on 127.0.0.1, through the Qt download
// client and the real main queue; only the alerts, the Help menu and the browser are stand-ins.

#include "Catalogues.h"
#include "TestHttpServer.h"
#include "app/UpdateCheck.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtHttpClient.h"
#include "support/Fakes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scanbrook {
namespace {

using platform::HttpClient;
using platform::HttpResponse;
using test::CannedResponse;
using test::PlistFormat;

/// Passes downloads on to the real client, noting each response once its completion has run.
class RecordingHttpClient final : public HttpClient {
public:
    explicit RecordingHttpClient(HttpClient& inner) : inner_(inner) {}
    std::vector<HttpResponse> responses;

    void get(const std::string& url, std::function<void(HttpResponse)> completion) override {
        inner_.get(url, [this, done = std::move(completion)](HttpResponse response) {
            const HttpResponse copy = response;
            done(std::move(response));
            responses.push_back(copy);
        });
    }

private:
    HttpClient& inner_;
};

struct LiveHarness {
    test::TestHttpServer server;
    platform::QtHttpClient client;
    std::shared_ptr<platform::MainQueue> mainQueue = std::make_shared<platform::MainQueue>();
    RecordingHttpClient http{client};
    test::FakeAlertPresenter alerts;
    test::FakeHelpMenu menu;
    test::FakeUrlOpener opener;
    UpdateChecker checker{
        http,
        mainQueue,
        alerts,
        menu,
        opener,
        server.url("/updates/catalogue.plist"),
        test::kDownloadBase,
        [] {
            return platform::InfoDictionary{{"CFBundleShortVersionString", "1.0.0"}};
        }};

    /// Checks for updates and serves the event loop until the catalogue was read or dropped.
    bool runCheck() {
        checker.checkForUpdates();
        QElapsedTimer waited; // only a bound against a hung test
        waited.start();
        while (http.responses.empty() && waited.elapsed() < 60'000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        }
        QCoreApplication::sendPostedEvents(); // what the completion queued for the main thread
        return !http.responses.empty();
    }

    /// The offers by their message, the errors by their body.
    std::vector<std::string> alertTexts() const {
        std::vector<std::string> texts;
        for (const auto& alert : alerts.shown) {
            texts.push_back(alert.messageText == "An error occurred:" ? alert.informativeText
                                                                      : alert.messageText);
        }
        return texts;
    }
};

struct LiveCase {
    const char* name;
    CannedResponse served;
    std::vector<std::string> alerts;
    bool marked;
    bool transportError = false;
};

class LiveUpdateCheck : public ::testing::TestWithParam<LiveCase> {};

TEST_P(LiveUpdateCheck, ShowsWhatTheDownloadCalledFor) {
    const LiveCase& c = GetParam();
    LiveHarness h;
    h.server.serve("/updates/catalogue.plist", c.served);
    ASSERT_TRUE(h.runCheck()) << "the download never completed";

    EXPECT_EQ(h.server.requests(),
              std::vector<std::string>{"GET /updates/catalogue.plist HTTP/1.1"});
    ASSERT_EQ(h.http.responses.size(), 1U);
    EXPECT_EQ(h.http.responses[0].transportError, c.transportError);
    EXPECT_EQ(h.alertTexts(), c.alerts);
    EXPECT_EQ(h.menu.itemChecked, c.marked);
    EXPECT_TRUE(h.opener.opened.empty());
}

const std::string kXml = test::catalogueOffering("1.1.0", PlistFormat::Xml);

CannedResponse served(std::string statusLine, std::optional<std::string> type, std::string body) {
    return {std::move(statusLine), std::move(type), std::move(body)};
}
CannedResponse ok(std::optional<std::string> type, std::string body = kXml) {
    return served("HTTP/1.1 200 OK", std::move(type), std::move(body));
}

/// The catalogue is read: 1.1.0 (or the versions named) offered and the menu marked.
LiveCase read(const char* name, CannedResponse response,
              std::vector<std::string> versions = {"1.1.0"}) {
    std::vector<std::string> offers;
    for (const std::string& version : versions) {
        offers.push_back("An update to this app to version " + version + " is available.");
    }
    return {name, std::move(response), offers, true};
}
/// The download is dropped without a word.
LiveCase dropped(const char* name, CannedResponse response, bool transportError = false) {
    return {name, std::move(response), {}, false, transportError};
}

/// An XML catalogue offering 1.1.0 that is `size` bytes long, padded with a member of its own.
std::string catalogueOfSize(std::size_t size) {
    const auto padded = [](std::size_t padding) {
        return test::encodePlist(
            test::array({test::dict({test::textKey("Padding", std::string(padding, 'p')),
                                     test::textKey("AppName", "Scanbrook"),
                                     test::textKey("Version", "1.1.0"),
                                     test::textKey("URL", test::kDownloadBase + "S.zip")})}),
            PlistFormat::Xml);
    };
    return padded(size - padded(0).size());
}

const std::string kAtLimit = catalogueOfSize(HttpClient::kMaxBodyBytes);
const std::string kOverLimit = catalogueOfSize(HttpClient::kMaxBodyBytes + 1);

CannedResponse withLength(CannedResponse r, long long length) {
    r.declaredLength = length; // none when negative: the body ends where the connection closes
    return r;
}

/// A small body that the client's automatic decompression turns into more than the limit.
CannedResponse compressedOverLimit() {
    const QByteArray zlib = qCompress(QByteArray::fromStdString(kOverLimit));
    // qCompress puts the uncompressed length in front of the zlib stream.
    CannedResponse r = ok("text/xml", zlib.sliced(4).toStdString());
    r.headers.push_back("Content-Encoding: deflate");
    return r;
}

std::string catalogue(std::initializer_list<std::string> entries, PlistFormat format) {
    return test::encodePlist(test::array(entries), format);
}

INSTANTIATE_TEST_SUITE_P(
    Downloads, LiveUpdateCheck,
    ::testing::Values(
        read("XmlCatalogue", ok("text/xml")),
        read("BinaryCatalogueAsPlainText",
             ok("text/plain", test::catalogueOffering("1.1.0", PlistFormat::Binary))),
        read("TypeWithParameters", ok("text/xml; charset=utf-8")),
        read("TypeWithBlanksAndParameters", ok(" text/plain\t;charset=utf-8")),
        read("Status299", served("HTTP/1.1 299 Odd", "text/xml", kXml)),
        dropped("Status199", served("HTTP/1.1 199 Odd", "text/xml", kXml)),
        dropped("Status300", served("HTTP/1.1 300 Multiple Choices", "text/xml", kXml)),
        dropped("Status404", served("HTTP/1.1 404 Not Found", "text/xml", kXml)),
        dropped("ApplicationXml", ok("application/xml")), dropped("UpperCaseType", ok("Text/XML")),
        dropped("LongerType", ok("text/xml2")), dropped("NoContentType", ok(std::nullopt)),
        LiveCase{"NotAPropertyList",
                 ok("text/plain", "Scanbrook 1.1.0"),
                 {"Error in update Property List."},
                 false},
        read("TwoOffers",
             ok("text/xml", catalogue({test::entry("Scanbrook", "2.0", test::kDownloadBase),
                                       test::entry("Scanbrook", "1.1.0", test::kDownloadBase)},
                                      PlistFormat::Binary)),
             {"2.0", "1.1.0"}),
        read("UrlOffTheDownloadSite",
             ok("text/xml",
                catalogue({test::entry("Scanbrook", "1.1.0",
                                       "https://elsewhere.example/?" + test::kDownloadBase)},
                          PlistFormat::Xml)),
             {}),
        // A catalogue is a few kilobytes: a body over 4 MiB is dropped like a failed download.
        read("AtTheSizeLimit", ok("text/xml", kAtLimit)),
        read("AtTheSizeLimitWithoutLength", withLength(ok("text/xml", kAtLimit), -1)),
        dropped("OverTheSizeLimit", ok("text/xml", kOverLimit), true),
        dropped("OverTheSizeLimitWithoutLength", withLength(ok("text/xml", kOverLimit), -1), true),
        dropped("OverTheSizeLimitOnceDecompressed", compressedOverLimit(), true),
        dropped("BodyCutShort", withLength(ok("text/xml"), 100000), true)),
    [](const auto& param) { return std::string(param.param.name); });

TEST(LiveUpdateCheck, DownloadOpensTheOfferedAddress) {
    LiveHarness h;
    h.server.serve("/updates/catalogue.plist", ok("text/xml"));
    h.alerts.answer = [](const platform::AlertRequest&) {
        return platform::AlertPresenter::kFirstButton + 1;
    };
    ASSERT_TRUE(h.runCheck());
    EXPECT_EQ(h.opener.opened,
              std::vector<std::string>{test::kDownloadBase + "Scanbrook-1.1.0.zip"});
}

} // namespace
} // namespace scanbrook
