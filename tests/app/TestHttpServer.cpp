#include "TestHttpServer.h"

#include <QByteArray>
#include <QHostAddress>
#include <QTcpSocket>

#include <memory>
#include <stdexcept>

namespace scanbrook::test {

TestHttpServer::TestHttpServer() {
    if (!server_.listen(QHostAddress::LocalHost, 0)) {
        throw std::runtime_error("the test server cannot listen: " +
                                 server_.errorString().toStdString());
    }
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
}

void TestHttpServer::serve(const std::string& path, CannedResponse response) {
    responses_.insert_or_assign(path, std::move(response));
}

std::string TestHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
}

void TestHttpServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The request so far; it lives as long as the connection below, that is the socket.
        auto received = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            received->append(socket->readAll());
            const qsizetype headerEnd = received->indexOf("\r\n\r\n");
            if (headerEnd < 0) {
                return;
            }
            const QByteArray requestLine = received->left(received->indexOf("\r\n"));
            received->clear();
            requests_.push_back(requestLine.toStdString());
            // "GET /path HTTP/1.1"
            const QList<QByteArray> parts = requestLine.split(' ');
            const std::string path = parts.size() >= 2 ? parts[1].toStdString() : std::string();

            CannedResponse notFound;
            notFound.statusLine = "HTTP/1.1 404 Not Found";
            notFound.contentType = "text/plain";
            notFound.body = "no such path";
            const auto it = responses_.find(path);
            const CannedResponse& answer = it == responses_.end() ? notFound : it->second;

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
            head += "Connection: close\r\n\r\n";
            socket->write(head.data(), static_cast<qint64>(head.size()));
            socket->write(answer.body.data(), static_cast<qint64>(answer.body.size()));
            // Closes once everything written has gone out (or the client has gone away).
            socket->disconnectFromHost();
        });
    }
}

} // namespace scanbrook::test
