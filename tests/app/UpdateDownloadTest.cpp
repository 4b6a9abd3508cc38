// The download against a real HTTP server on 127.0.0.1 through the Qt client: the 4 MiB cap
// however the body arrives.

#include "platform/qt/QtHttpClient.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

namespace scanbrook {
namespace {

using platform::HttpClient;
using platform::HttpResponse;

/// What the server answers to every request.
struct Canned {
    std::string statusLine;
    std::string body;
    std::string headers = "Content-Length"; ///< header lines; "Content-Length" gives the body's
};

/// A plain HTTP/1.1 server on 127.0.0.1 at a port of the system's choice, driven by the event
/// loop; every answer closes its connection.
class TestHttpServer {
public:
    explicit TestHttpServer(const Canned& canned) {
        std::string headers = canned.headers;
        if (headers == "Content-Length") {
            headers += ": " + std::to_string(canned.body.size()) + "\r\n";
        }
        const QByteArray answer = QByteArray::fromStdString(
            canned.statusLine + "\r\nContent-Type: text/xml; charset=utf-8\r\n" + headers +
            "Connection: close\r\n\r\n" + canned.body);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, answer] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, answer] {
                    request += socket->readAll();
                    if (request.endsWith("\r\n\r\n")) {
                        socket->write(answer);
                        socket->disconnectFromHost(); // once everything written has gone out
                    }
                });
            }
        });
        EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server.serverPort()) + path;
    }

    QTcpServer server;
    QByteArray request; ///< every byte of the requests received
};

constexpr std::size_t kMax = HttpClient::kMaxBodyBytes;
const std::string kOk = "HTTP/1.1 200 OK";
const std::string kOverLimit(kMax + 1, 'x');
const std::string kNoLength; // the body ends where the connection closes

/// A small body that the client's automatic decompression turns into more than the limit.
Canned compressedOverLimit() {
    // qCompress puts the uncompressed length in front of the zlib stream.
    const QByteArray zlib = qCompress(QByteArray::fromStdString(kOverLimit)).sliced(4);
    return {kOk, zlib.toStdString(),
            "Content-Encoding: deflate\r\nContent-Length: " + std::to_string(zlib.size()) + "\r\n"};
}

TEST(Download, GivesTheBodyAsReceivedOrATransportErrorBeyondTheSizeLimit) {
    const std::tuple<const char*, Canned, std::optional<std::size_t>> cases[] = {
        {"at the limit without length", {kOk, std::string(kMax, 'x'), kNoLength}, kMax},
        {"over the limit", {kOk, kOverLimit}, std::nullopt},
        {"over the limit once decompressed", compressedOverLimit(), std::nullopt}};
    for (const auto& [name, served, bodySize] : cases) {
        SCOPED_TRACE(name);
        TestHttpServer server(served);
        platform::QtHttpClient client;
        std::optional<HttpResponse> response;
        client.get(server.url("/catalogue.plist"),
                   [&](HttpResponse r) { response = std::move(r); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return response.has_value(); }, 60000));
        EXPECT_EQ(response->body ? std::optional(response->body->size()) : std::nullopt, bodySize);
        EXPECT_EQ(response->transportError, !bodySize);
    }
}

} // namespace
} // namespace scanbrook
