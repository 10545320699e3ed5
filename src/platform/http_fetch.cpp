#include "platform/http_fetch.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace wormpair {

FetchResult HttpFetcher::fetch(const QString& address, const FetchLimits& limits) {
    FetchResult result;
    const QUrl url(address, QUrl::StrictMode);
    if (m_cancelled) {
        result.status = FetchResult::Status::Cancelled;
        return result;
    }
    if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https")) return result;

    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(3);
    // a compressed body could unpack past the limit before we count it
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = network.get(request);

    enum class Stopped { No, TooLarge, TimedOut, Cancelled } stopped = Stopped::No;
    const auto stop = [&](Stopped why) {
        if (stopped == Stopped::No) stopped = why;
        reply->abort();
    };
    QEventLoop loop;
    QTimer idle;
    QTimer total;
    idle.setSingleShot(true);
    total.setSingleShot(true);
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] { stop(Stopped::TimedOut); });
    QObject::connect(&total, &QTimer::timeout, &loop, [&] { stop(Stopped::TimedOut); });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        bool known = false;
        const qint64 length =
            reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && length > limits.maxBytes) stop(Stopped::TooLarge);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        idle.start(limits.idleTimeout);
        result.body += reply->read(limits.maxBytes + 1 - result.body.size());
        if (result.body.size() > limits.maxBytes) stop(Stopped::TooLarge);
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    m_abort = [&] { stop(Stopped::Cancelled); };
    idle.start(limits.idleTimeout);
    total.start(limits.totalTimeout);
    if (!reply->isFinished()) loop.exec();
    m_abort = nullptr;

    if (stopped == Stopped::No && result.body.size() <= limits.maxBytes) {
        result.body += reply->read(limits.maxBytes + 1 - result.body.size());
        if (result.body.size() > limits.maxBytes) stopped = Stopped::TooLarge;
    }
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    bool known = false;
    const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    const QNetworkReply::NetworkError error = reply->error();
    reply->deleteLater();

    using Status = FetchResult::Status;
    if (stopped == Stopped::TooLarge) {
        result.status = Status::TooLarge;
    } else if (stopped == Stopped::TimedOut) {
        result.status = Status::TimedOut;
    } else if (stopped == Stopped::Cancelled) {
        result.status = Status::Cancelled;
    } else if (error == QNetworkReply::NoError && result.httpStatus == 200) {
        // a body shorter than announced is a cut connection, even if Qt let it pass
        result.status = known && length != result.body.size() ? Status::Cut : Status::Ok;
    } else if (result.httpStatus != 0 && result.httpStatus != 200) {
        result.status = Status::HttpError;
    } else if (error == QNetworkReply::RemoteHostClosedError || !result.body.isEmpty()) {
        result.status = Status::Cut;
    } else {
        result.status = Status::Unreachable;
    }
    if (result.status != Status::Ok) result.body.clear();
    return result;
}

void HttpFetcher::cancel() {
    m_cancelled = true;
    if (m_abort) m_abort();
}

}  // namespace wormpair
