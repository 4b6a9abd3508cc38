#include "platform/qt/QtHttpClient.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <utility>

namespace scanbrook::platform {

namespace {

constexpr auto kMaxBody = static_cast<qsizetype>(HttpClient::kMaxBodyBytes);
/// How much the reply may hold before it is read out, so that an oversized body is noticed
/// early instead of being buffered whole.
constexpr qint64 kReadBufferBytes = 256 * 1024;

/// The body read so far, and whether it has outgrown the limit.
struct Download {
    QByteArray body;
    bool oversized = false;
};

/// Qt reports an HTTP status of 400 or above as an error of its own; such an answer still
/// arrived whole and is reported as the HTTP response it is. Every other error means the
/// transport failed.
bool isHttpStatusError(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return true;
    default:
        return false;
    }
}

/// Moves what has arrived into the download, or gives up on it once it exceeds the limit.
void readArrived(QNetworkReply& reply, Download& download) {
    if (download.oversized) {
        return;
    }
    download.body += reply.read(kMaxBody + 1 - download.body.size());
    if (download.body.size() > kMaxBody) {
        download.oversized = true;
        download.body = QByteArray();
        reply.abort();
    }
}

HttpResponse responseOf(QNetworkReply& reply, Download& download) {
    readArrived(reply, download);
    // readArrived() takes all that the limit allows, so anything left unread is beyond it.
    if (!download.oversized && reply.bytesAvailable() > 0) {
        download.oversized = true;
        download.body = QByteArray();
    }

    HttpResponse response;
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    response.isHttp = status.isValid();
    if (response.isHttp) {
        response.statusCode = status.toInt();
        const QByteArray contentTypeHeader = QByteArrayLiteral("Content-Type");
        if (reply.hasRawHeader(contentTypeHeader)) {
            response.contentType = reply.rawHeader(contentTypeHeader).toStdString();
        }
    }
    const QNetworkReply::NetworkError error = reply.error();
    response.transportError =
        download.oversized ||
        (error != QNetworkReply::NoError && !(response.isHttp && isHttpStatusError(error)));
    if (response.isHttp && !response.transportError) {
        response.body = download.body.toStdString();
    }
    return response;
}

} // namespace

QtHttpClient::QtHttpClient() : manager(std::make_unique<QNetworkAccessManager>()) {}

QtHttpClient::~QtHttpClient() = default;

void QtHttpClient::get(const std::string& url, std::function<void(HttpResponse)> completion) {
    // A text that forms no URL makes an invalid one, which the manager fails as a transport error.
    const QNetworkRequest request(QUrl(QString::fromStdString(url), QUrl::StrictMode));
    QNetworkReply* reply = manager->get(request);
    reply->setReadBufferSize(kReadBufferBytes);
    auto download = std::make_shared<Download>();

    // A declared length over the limit is dropped before any of the body is read.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, download] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (!download->oversized && length.isValid() && length.toLongLong() > kMaxBody) {
            download->oversized = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [reply, download] { readArrived(*reply, *download); });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, download, done = std::move(completion)] {
                         reply->deleteLater();
                         done(responseOf(*reply, *download));
                     });
}

} // namespace scanbrook::platform
