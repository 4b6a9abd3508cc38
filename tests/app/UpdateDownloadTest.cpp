// The update check against a real HTTP server on 127.0.0.1, through the Qt download client and
// the real main queue; only the alerts, the Help menu and the browser are stand-ins.

#include "Catalogues.h"
#include "TestHttpServer.h"
#include "app/UpdateCheck.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtHttpClient.h"
#include "support/Fakes.h"

#include <QByteArray>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace scanbrook {
namespace {

using platform::HttpClient;
using platform::HttpResponse;
using test::CannedResponse;
using test::PlistFormat;

/// Only a bound against a hung test; nothing here is expected to come near it.
constexpr std::chrono::seconds kPatience{60};

const std::string kAtLimit(HttpClient::kMaxBodyBytes, 'a');
const std::string kOverLimit(HttpClient::kMaxBodyBytes + 1, 'a');

/// Waits in a local event loop until `settled` is set by work that loop runs.
void runUntil(const bool& settled, QEventLoop& loop) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(kPatience);
    if (!settled) {
        loop.exec();
    }
}

/// One download through a client of its own, which is gone (with its pending download) before
/// this returns.
std::optional<HttpResponse> fetch(const std::string& url) {
    platform::QtHttpClient client;
    std::optional<HttpResponse> result;
    bool settled = false;
    QEventLoop loop;
    client.get(url, [&](HttpResponse response) {
        result = std::move(response);
        settled = true;
        loop.quit();
    });
    runUntil(settled, loop);
    return result;
}

// --- The download client -----------------------------------------------------------------

/// What the response carries as its body.
enum class Body { Served, Empty, Absent };

struct FetchCase {
    const char* name;
    CannedResponse served;
    bool transportError;
    std::optional<int> status; ///< when an HTTP response is expected
    std::optional<std::string> contentType;
    Body body;
};

void PrintTo(const FetchCase& c, std::ostream* os) {
    *os << c.name;
}

CannedResponse served(std::string statusLine, std::optional<std::string> contentType,
                      std::string body) {
    CannedResponse r;
    r.statusLine = std::move(statusLine);
    r.contentType = std::move(contentType);
    r.body = std::move(body);
    return r;
}

CannedResponse undeclaredLength(CannedResponse r) {
    r.declaredLength = -1;
    return r;
}

CannedResponse cutShort(CannedResponse r) {
    r.declaredLength = static_cast<long long>(r.body.size()) + 1000;
    return r;
}

/// A small body that the client's automatic decompression turns into more than the limit.
CannedResponse compressedOverLimit() {
    const QByteArray zlib = qCompress(QByteArray(static_cast<qsizetype>(kOverLimit.size()), 'a'));
    // qCompress puts the uncompressed length in front of the zlib stream.
    CannedResponse r =
        served("HTTP/1.1 200 OK", "text/xml",
               std::string(zlib.constData() + 4, static_cast<std::size_t>(zlib.size() - 4)));
    r.headers.push_back("Content-Encoding: deflate");
    return r;
}

std::vector<FetchCase> fetchCases() {
    return {
        {"Ok", served("HTTP/1.1 200 OK", "text/xml; charset=utf-8", "<plist/>"), false, 200,
         "text/xml; charset=utf-8", Body::Served},
        {"EmptyBody", served("HTTP/1.1 200 OK", "text/plain", ""), false, 200, "text/plain",
         Body::Served},
        {"NoContentType", served("HTTP/1.1 200 OK", std::nullopt, "x"), false, 200, std::nullopt,
         Body::Served},
        {"Status299", served("HTTP/1.1 299 Odd", "text/xml", "x"), false, 299, "text/xml",
         Body::Served},
        // Qt takes a 1xx status to have no body, whatever follows it.
        {"Status199", served("HTTP/1.1 199 Odd", "text/xml", "x"), false, 199, "text/xml",
         Body::Empty},
        {"Status300", served("HTTP/1.1 300 Multiple Choices", "text/xml", "x"), false, 300,
         "text/xml", Body::Served},
        {"BadRequest", served("HTTP/1.1 400 Bad Request", "text/html", "bad"), false, 400,
         "text/html", Body::Served},
        {"NotFound", served("HTTP/1.1 404 Not Found", "text/html", "gone"), false, 404, "text/html",
         Body::Served},
        {"Gone", served("HTTP/1.1 410 Gone", "text/html", "gone"), false, 410, "text/html",
         Body::Served},
        {"ServerError", served("HTTP/1.1 500 Internal Server Error", "text/plain", "oops"), false,
         500, "text/plain", Body::Served},
        {"Unavailable", served("HTTP/1.1 503 Service Unavailable", "text/plain", "later"), false,
         503, "text/plain", Body::Served},
        {"BodyAtTheLimit", served("HTTP/1.1 200 OK", "text/xml", kAtLimit), false, 200, "text/xml",
         Body::Served},
        {"BodyAtTheLimitWithoutLength",
         undeclaredLength(served("HTTP/1.1 200 OK", "text/xml", kAtLimit)), false, 200, "text/xml",
         Body::Served},
        {"DeclaredBodyOverTheLimit", served("HTTP/1.1 200 OK", "text/xml", kOverLimit), true,
         std::nullopt, std::nullopt, Body::Absent},
        {"UndeclaredBodyOverTheLimit",
         undeclaredLength(served("HTTP/1.1 200 OK", "text/xml", kOverLimit)), true, std::nullopt,
         std::nullopt, Body::Absent},
        {"CompressedBodyOverTheLimit", compressedOverLimit(), true, std::nullopt, std::nullopt,
         Body::Absent},
        {"BodyCutShort", cutShort(served("HTTP/1.1 200 OK", "text/xml", "<plist>")), true,
         std::nullopt, std::nullopt, Body::Absent},
    };
}

class QtHttpClientFetch : public ::testing::TestWithParam<FetchCase> {};

TEST_P(QtHttpClientFetch, ReportsWhatTheServerSent) {
    const FetchCase& c = GetParam();
    test::TestHttpServer server;
    server.serve("/file", c.served);
    const std::optional<HttpResponse> response = fetch(server.url("/file"));
    ASSERT_TRUE(response.has_value()) << "the download never completed";

    EXPECT_EQ(response->transportError, c.transportError);
    if (c.status) {
        EXPECT_TRUE(response->isHttp);
        EXPECT_EQ(response->statusCode, *c.status);
        EXPECT_EQ(response->contentType, c.contentType);
    }
    switch (c.body) {
    case Body::Served:
        ASSERT_TRUE(response->body.has_value());
        EXPECT_EQ(response->body->size(), c.served.body.size());
        EXPECT_TRUE(*response->body == c.served.body);
        break;
    case Body::Empty:
        EXPECT_EQ(response->body, std::string());
        break;
    case Body::Absent:
        EXPECT_FALSE(response->body.has_value()) << "a failed download carries no body";
        break;
    }
    EXPECT_EQ(server.requests(), std::vector<std::string>{"GET /file HTTP/1.1"});
}

INSTANTIATE_TEST_SUITE_P(Responses, QtHttpClientFetch, ::testing::ValuesIn(fetchCases()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(QtHttpClient, FollowsARedirectAsTheDefaultSettingsDo) {
    test::TestHttpServer server;
    CannedResponse moved = served("HTTP/1.1 301 Moved Permanently", "text/html", "moved");
    moved.headers.push_back("Location: /new/catalogue.plist");
    server.serve("/catalogue.plist", moved);
    server.serve("/new/catalogue.plist", served("HTTP/1.1 200 OK", "text/xml", "<plist/>"));

    const auto response = fetch(server.url("/catalogue.plist"));
    ASSERT_TRUE(response.has_value());
    EXPECT_FALSE(response->transportError);
    EXPECT_EQ(response->statusCode, 200);
    EXPECT_EQ(response->body, "<plist/>");
    EXPECT_EQ(server.requests(), (std::vector<std::string>{"GET /catalogue.plist HTTP/1.1",
                                                           "GET /new/catalogue.plist HTTP/1.1"}));
}

TEST(QtHttpClient, NoServerListeningIsATransportError) {
    quint16 port = 0;
    {
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
        port = closed.serverPort();
    }
    const auto response = fetch("http://127.0.0.1:" + std::to_string(port) + "/catalogue.plist");
    ASSERT_TRUE(response.has_value());
    EXPECT_TRUE(response->transportError);
    EXPECT_FALSE(response->isHttp);
    EXPECT_FALSE(response->body.has_value());
}

TEST(QtHttpClient, TextThatFormsNoUrlIsATransportError) {
    for (const std::string url : {"", "not a url", "http://", "unknown-scheme://127.0.0.1/x"}) {
        const auto response = fetch(url);
        ASSERT_TRUE(response.has_value()) << url;
        EXPECT_TRUE(response->transportError) << url;
        EXPECT_FALSE(response->isHttp) << url;
    }
}

// --- The whole check ----------------------------------------------------------------------

/// Passes downloads on to the real client and, once a download's completion and whatever it
/// queued on the main queue have run, says so.
class SettlingHttpClient final : public HttpClient {
public:
    SettlingHttpClient(HttpClient& inner, std::shared_ptr<platform::TaskQueue> mainQueue)
        : inner_(inner), mainQueue_(std::move(mainQueue)) {}
    std::function<void()> onSettled;
    std::vector<HttpResponse> responses;

    void get(const std::string& url, std::function<void(HttpResponse)> completion) override {
        inner_.get(url, [this, done = std::move(completion)](HttpResponse response) {
            responses.push_back(response);
            done(std::move(response));
            // The main queue runs in order, so this comes after what the completion queued.
            mainQueue_->addOperation([this] {
                if (onSettled) {
                    onSettled();
                }
            });
        });
    }

private:
    HttpClient& inner_;
    std::shared_ptr<platform::TaskQueue> mainQueue_;
};

struct LiveHarness {
    test::TestHttpServer server;
    platform::QtHttpClient client;
    std::shared_ptr<platform::MainQueue> mainQueue = std::make_shared<platform::MainQueue>();
    SettlingHttpClient http{client, mainQueue};
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

    /// Checks for updates and waits until the catalogue has been read or dropped.
    bool runCheck() {
        bool settled = false;
        QEventLoop loop;
        http.onSettled = [&] {
            settled = true;
            loop.quit();
        };
        checker.checkForUpdates();
        runUntil(settled, loop);
        http.onSettled = nullptr;
        return settled;
    }

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
    std::vector<std::string> alerts; ///< offers by their message, errors by their body
    bool marked;
};

void PrintTo(const LiveCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kOffer11 = "An update to this app to version 1.1.0 is available.";

std::string oversizedCatalogue() {
    // A catalogue that would offer an update, were it not far too large to be one.
    return test::encodePlist(
        test::array({"<dict>" +
                     test::textKey("Padding", std::string(HttpClient::kMaxBodyBytes, 'p')) +
                     test::textKey("AppName", "Scanbrook") + test::textKey("Version", "1.1.0") +
                     test::textKey("URL", test::kDownloadBase + "Scanbrook.zip") + "</dict>"}),
        PlistFormat::Xml);
}

std::vector<LiveCase> liveCases() {
    const std::string xml = test::catalogueOffering("1.1.0", PlistFormat::Xml);
    const std::string binary = test::catalogueOffering("1.1.0", PlistFormat::Binary);
    return {
        {"XmlCatalogue", served("HTTP/1.1 200 OK", "text/xml", xml), {kOffer11}, true},
        {"BinaryCatalogueAsPlainText",
         served("HTTP/1.1 200 OK", "text/plain", binary),
         {kOffer11},
         true},
        {"TypeWithCharset",
         served("HTTP/1.1 200 OK", "text/xml; charset=utf-8", xml),
         {kOffer11},
         true},
        {"Status299", served("HTTP/1.1 299 Odd", "text/xml", xml), {kOffer11}, true},
        {"Status199", served("HTTP/1.1 199 Odd", "text/xml", xml), {}, false},
        {"Status300", served("HTTP/1.1 300 Multiple Choices", "text/xml", xml), {}, false},
        {"Status404", served("HTTP/1.1 404 Not Found", "text/xml", xml), {}, false},
        {"Status500", served("HTTP/1.1 500 Internal Server Error", "text/xml", xml), {}, false},
        {"ApplicationXml", served("HTTP/1.1 200 OK", "application/xml", xml), {}, false},
        {"UpperCaseType", served("HTTP/1.1 200 OK", "Text/XML", xml), {}, false},
        {"NoContentType", served("HTTP/1.1 200 OK", std::nullopt, xml), {}, false},
        {"OversizedCatalogue",
         served("HTTP/1.1 200 OK", "text/xml", oversizedCatalogue()),
         {},
         false},
        {"NotAPropertyList",
         served("HTTP/1.1 200 OK", "text/plain", "Scanbrook 1.1.0"),
         {"Error in update Property List."},
         false},
        {"EmptyCatalogue",
         served("HTTP/1.1 200 OK", "text/xml", test::encodePlist("<array/>", PlistFormat::Xml)),
         {"Update Property List has no entries."},
         false},
        {"RunningVersion",
         served("HTTP/1.1 200 OK", "text/xml",
                test::catalogueOffering("1.0.0", PlistFormat::Binary)),
         {},
         true},
        {"TwoOffers",
         served("HTTP/1.1 200 OK", "text/xml",
                test::encodePlist(
                    test::array({test::entry("Scanbrook", "2.0", test::kDownloadBase + "2.zip"),
                                 test::entry("Scanbrook", "1.1.0", test::kDownloadBase + "1.zip")}),
                    PlistFormat::Binary)),
         {"An update to this app to version 2.0 is available.", kOffer11},
         true},
        {"UrlOffTheDownloadSite",
         served("HTTP/1.1 200 OK", "text/xml",
                test::encodePlist(
                    test::array({test::entry("Scanbrook", "1.1.0",
                                             "https://elsewhere.example/?" + test::kDownloadBase)}),
                    PlistFormat::Xml)),
         {},
         true},
    };
}

class LiveUpdateCheck : public ::testing::TestWithParam<LiveCase> {};

TEST_P(LiveUpdateCheck, ShowsWhatTheDownloadCalledFor) {
    const LiveCase& c = GetParam();
    LiveHarness h;
    h.server.serve("/updates/catalogue.plist", c.served);
    ASSERT_TRUE(h.runCheck()) << "the download never completed";

    EXPECT_EQ(h.server.requests(),
              std::vector<std::string>{"GET /updates/catalogue.plist HTTP/1.1"});
    EXPECT_EQ(h.alertTexts(), c.alerts);
    EXPECT_EQ(h.menu.itemChecked, c.marked);
    EXPECT_TRUE(h.opener.opened.empty());
}

INSTANTIATE_TEST_SUITE_P(Downloads, LiveUpdateCheck, ::testing::ValuesIn(liveCases()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(LiveUpdateCheck, DownloadOpensTheOfferedAddress) {
    LiveHarness h;
    h.server.serve("/updates/catalogue.plist",
                   served("HTTP/1.1 200 OK", "text/plain",
                          test::catalogueOffering("1.1.0", PlistFormat::Binary)));
    h.alerts.answer = [](const platform::AlertRequest&) {
        return platform::AlertPresenter::kFirstButton + 1;
    };
    ASSERT_TRUE(h.runCheck());
    EXPECT_EQ(h.opener.opened,
              std::vector<std::string>{test::kDownloadBase + "Scanbrook-1.1.0.zip"});
}

TEST(LiveUpdateCheck, ABodyCutShortIsDroppedSilently) {
    LiveHarness h;
    h.server.serve("/updates/catalogue.plist",
                   cutShort(served("HTTP/1.1 200 OK", "text/xml",
                                   test::catalogueOffering("1.1.0", PlistFormat::Xml))));
    ASSERT_TRUE(h.runCheck());
    ASSERT_EQ(h.http.responses.size(), 1U);
    EXPECT_TRUE(h.http.responses[0].transportError);
    EXPECT_TRUE(h.alerts.shown.empty());
    EXPECT_FALSE(h.menu.itemChecked);
}

} // namespace
} // namespace scanbrook
