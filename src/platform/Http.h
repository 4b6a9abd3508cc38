#pragma once

#include <functional>
#include <optional>
#include <string>

namespace scanbrook::platform {

/// What a download brought back. Fields that the transport could not provide are absent.
struct HttpResponse {
    bool transportError = false; ///< no answer, a TLS failure, or a body over the size limit
    bool isHttp = false;         ///< an HTTP response was received
    int statusCode = 0;
    std::optional<std::string> contentType; ///< the Content-Type header as received
    std::optional<std::string> body;
};

/// HTTP GET with the platform's default settings. TLS verification is never turned off.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    /// The largest body accepted; a longer one ends the download as a transport error.
    static constexpr std::size_t kMaxBodyBytes = 4U * 1024U * 1024U;
    /// Starts the download and returns; `completion` runs once, on the main thread or on a
    /// thread of the client's own.
    virtual void get(const std::string& url, std::function<void(HttpResponse)> completion) = 0;
};

} // namespace scanbrook::platform
