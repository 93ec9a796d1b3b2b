#pragma once

#include "model/domain/Cancellation.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>

#include <chrono>
#include <optional>

class QNetworkReply;

namespace vozel {

// How one HTTP exchange ended.
struct ReplyOutcome {
    enum class Kind {
        response,  // the server answered with an HTTP status
        failed,    // no usable answer: connection, TLS, redirect, time-out or transfer failure
        cancelled, // the cancellation token was set while waiting
    };
    Kind kind = Kind::failed;
    int status = 0;
    QByteArray body;
    // The body was larger than allowed; it was not read to its end and is left empty.
    bool bodyTooLarge = false;
    // Why a failed exchange failed, in the network library's own words.
    QString failure;
};

// No answer of the operator's servers comes near this size; a larger one is not read.
constexpr qint64 maxAnswerBytes = 1024 * 1024;

// Waits for the reply and collects its answer, aborting the transfer as soon as the body
// grows past maxAnswerBytes, the time limit passes (counted from sending to the last byte)
// or the token is cancelled. Takes the reply over and deletes it.
QCoro::Task<ReplyOutcome> readBoundedReply(QNetworkReply *reply, std::chrono::milliseconds timeLimit,
                                           std::optional<CancellationToken> cancellation = std::nullopt);

} // namespace vozel
