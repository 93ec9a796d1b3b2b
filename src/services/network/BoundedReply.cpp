#include "BoundedReply.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkReply>
#include <QTimer>

#include <memory>

namespace vozel {

namespace {

enum class Stop { none, bodyTooLarge, timedOut, cancelled };

struct Transfer {
    QByteArray body;
    Stop stop = Stop::none;
};

// Qt reports its own transfer time-out as a cancelled operation, which would mislead the
// user; this is Qt's own text for a network time-out, translated with the rest of Qt's texts.
QString timeoutDescription()
{
    return QCoreApplication::translate("QNativeSocketEngine", "Network operation timed out");
}

// Failures below the content range (connection, TLS, proxy and redirect failures) mean that
// the status of an intermediate response, if any, is not the server's answer.
bool isTransportError(QNetworkReply::NetworkError error)
{
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

struct ReplyDeleter {
    void operator()(QNetworkReply *reply) const { reply->deleteLater(); }
};

} // namespace

QCoro::Task<ReplyOutcome> readBoundedReply(QNetworkReply *reply, std::chrono::milliseconds timeLimit,
                                           std::optional<CancellationToken> cancellation)
{
    const std::unique_ptr<QNetworkReply, ReplyDeleter> owner(reply);
    const auto transfer = std::make_shared<Transfer>();
    // Aborting from inside the reply's own signals would resume this coroutine there, so the
    // abort is queued.
    const auto stop = [reply, transfer](Stop why) {
        if (transfer->stop != Stop::none)
            return;
        transfer->stop = why;
        transfer->body.clear();
        QMetaObject::invokeMethod(reply, [reply] { reply->abort(); }, Qt::QueuedConnection);
    };

    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, stop] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > maxAnswerBytes)
            stop(Stop::bodyTooLarge);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, transfer, stop] {
        if (transfer->stop != Stop::none)
            return;
        transfer->body += reply->read(maxAnswerBytes + 1 - transfer->body.size());
        if (transfer->body.size() > maxAnswerBytes)
            stop(Stop::bodyTooLarge);
    });

    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, reply, [stop] { stop(Stop::timedOut); });
    deadline.start(timeLimit);

    // The token carries no notification, so it is looked at often enough to stop promptly.
    QTimer cancellationCheck;
    if (cancellation) {
        QObject::connect(&cancellationCheck, &QTimer::timeout, reply, [stop, token = *cancellation] {
            if (token.isCancelled())
                stop(Stop::cancelled);
        });
        cancellationCheck.start(std::chrono::milliseconds(20));
    }

    if (!reply->isFinished())
        co_await qCoro(reply).waitForFinished();
    deadline.stop();
    cancellationCheck.stop();

    ReplyOutcome outcome;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    switch (transfer->stop) {
    case Stop::cancelled:
        outcome.kind = ReplyOutcome::Kind::cancelled;
        co_return outcome;
    case Stop::timedOut:
        outcome.failure = timeoutDescription();
        co_return outcome;
    case Stop::bodyTooLarge:
        outcome.kind = ReplyOutcome::Kind::response;
        outcome.status = status.toInt();
        outcome.bodyTooLarge = true;
        co_return outcome;
    case Stop::none:
        break;
    }

    if (!status.isValid() || isTransportError(reply->error())) {
        outcome.failure = reply->errorString();
        co_return outcome;
    }
    transfer->body += reply->read(maxAnswerBytes + 1 - transfer->body.size());
    outcome.kind = ReplyOutcome::Kind::response;
    outcome.status = status.toInt();
    if (transfer->body.size() > maxAnswerBytes)
        outcome.bodyTooLarge = true;
    else
        outcome.body = transfer->body;
    co_return outcome;
}

} // namespace vozel
