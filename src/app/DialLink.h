#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vozel {

// The number to put in the dialer for a tel:, sip: or sips: link the desktop opened Vozel
// with; none for anything else or a link without a dialable number.
std::optional<QString> numberFromDialLink(const QString &link);

// The first link among the launch arguments that carries a number.
std::optional<QString> numberFromArguments(const QStringList &arguments);

} // namespace vozel
