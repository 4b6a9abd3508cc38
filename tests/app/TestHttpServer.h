#pragma once

#include <QTcpServer>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace scanbrook::test {

/// What the server answers on one path.
struct CannedResponse {
    std::string statusLine = "HTTP/1.1 200 OK";
    std::optional<std::string> contentType = "text/xml";
    std::string body;
    /// Extra header lines, without their line ends.
    std::vector<std::string> headers;
    /// The Content-Length to declare: the body's size when absent, none at all when negative
    /// (the body then ends where the connection closes).
    std::optional<long long> declaredLength;
};

/// A plain HTTP/1.1 server on 127.0.0.1 at a port of the system's choice, running on the thread
/// that made it (the test's event loop drives it). Every answer closes its connection; a path
/// without a canned answer gets a 404.
class TestHttpServer {
public:
    TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    void serve(const std::string& path, CannedResponse response);
    /// "http://127.0.0.1:<port>" followed by `path`.
    std::string url(const std::string& path) const;
    /// The request line of every request received, in order.
    const std::vector<std::string>& requests() const { return requests_; }

private:
    void accept();

    QTcpServer server_;
    std::map<std::string, CannedResponse> responses_;
    std::vector<std::string> requests_;
};

} // namespace scanbrook::test
