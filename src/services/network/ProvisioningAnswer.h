#pragma once

#include "model/domain/SIPAccount.h"

#include <QByteArray>
#include <QString>

namespace vozel {

// What a provisioning server's answer means, from its body alone.
class ProvisioningAnswer {
public:
    // The account in the body of a successful (200) answer: the current JSON form, or else an
    // older XML document. Throws VozelError::invalidResponse when the body holds no usable account.
    static SIPAccount account(const QByteArray &body);

    // The text to show for an answer with any other status: the server's own "error" text,
    // or a general message when the body carries none.
    static QString errorMessage(const QByteArray &body);
};

} // namespace vozel
