#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scanbrook::test {

/// What the server answers on one path.
struct CannedResponse {
    std::string statusLine = "HTTP/1.1 200 OK";
    std::optional<std::string> contentType = "text/xml";
    std::string body;
    /// Extra header lines, without their line ends.
    std::vector<std::string> headers = {};
    /// The Content-Length to declare: the body's size when absent, none at all when negative
    /// (the body then ends where the connection closes).
    std::optional<long long> declaredLength = {};
};

/// A plain HTTP/1.1 server on 127.0.0.1 at a port of the system's choice, driven by the event
/// loop of the thread that made it. Every answer closes its connection; a path without a
/// canned answer gets a 404.
class TestHttpServer {
public:
    TestHttpServer() {
        if (!server_.listen(QHostAddress::LocalHost, 0)) {
            throw std::runtime_error("the test server cannot listen");
        }
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
    }

    void serve(const std::string& path, CannedResponse response) {
        responses_.insert_or_assign(path, std::move(response));
    }
    /// "http://127.0.0.1:<port>" followed by `path`.
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
    }
    /// The request line of every request received, in order.
    const std::vector<std::string>& requests() const { return requests_; }

private:
    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            // The request so far; it lives as long as the connection, that is the socket.
            auto received = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
                received->append(socket->readAll());
                if (received->indexOf("\r\n\r\n") >= 0) {
                    const QByteArray requestLine = received->left(received->indexOf("\r\n"));
                    received->clear();
                    answer(*socket, requestLine.toStdString());
                }
            });
        }
    }

    void answer(QTcpSocket& socket, const std::string& requestLine) {
        requests_.push_back(requestLine); // "GET /path HTTP/1.1"
        const std::string path = requestLine.substr(4, requestLine.rfind(' ') - 4);
        const auto it = responses_.find(path);
        const CannedResponse answer =
            it != responses_.end()
                ? it->second
                : CannedResponse{"HTTP/1.1 404 Not Found", "text/plain", "no such path"};
        std::string head = answer.statusLine + "\r\n";
        if (answer.contentType) {
            head += "Content-Type: " + *answer.contentType + "\r\n";
        }
        const long long length =
            answer.declaredLength.value_or(static_cast<long long>(answer.body.size()));
        if (length >= 0) {
            head += "Content-Length: " + std::to_string(length) + "\r\n";
        }
        for (const std::string& header : answer.headers) {
            head += header + "\r\n";
        }
        head += "Connection: close\r\n\r\n" + answer.body;
        socket.write(head.data(), static_cast<qint64>(head.size()));
        // Closes once everything written has gone out (or the client has gone away).
        socket.disconnectFromHost();
    }

    QTcpServer server_;
    std::map<std::string, CannedResponse> responses_;
    std::vector<std::string> requests_;
};

} // namespace scanbrook::test
