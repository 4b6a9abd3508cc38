#pragma once

#include "platform/Http.h"

#include <memory>

class QNetworkAccessManager;

namespace scanbrook::platform {

/// Downloads with Qt's network access manager and its default settings, on the thread that made
/// the client; completions run on that thread too. Make it on the main thread, after the
/// QApplication. Downloads still pending when the client is destroyed are cancelled and their
/// completions never run.
class QtHttpClient final : public HttpClient {
public:
    QtHttpClient();
    ~QtHttpClient() override;
    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;

    void get(const std::string& url, std::function<void(HttpResponse)> completion) override;

private:
    std::unique_ptr<QNetworkAccessManager> manager;
};

} // namespace scanbrook::platform
