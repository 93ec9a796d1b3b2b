#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace vozel {

// What one key press asks of the dialer.
struct DialerKeyAction {
    Q_GADGET

public:
    enum class Kind {
        Digit,  // text holds one of "0123456789*#"
        Paste,  // text holds the clipboard's text, unfiltered
        Delete, // remove the last character
        Call,   // dial, or hang up during a call
    };
    Q_ENUM(Kind)

    Kind kind;
    QString text;

    friend bool operator==(const DialerKeyAction &, const DialerKeyAction &) = default;
};

// Makes the kinds readable from QML as DialerKeyAction.Digit and so on.
namespace DialerKeyActionForeign {
Q_NAMESPACE
QML_FOREIGN_NAMESPACE(vozel::DialerKeyAction)
QML_NAMED_ELEMENT(DialerKeyAction)
} // namespace DialerKeyActionForeign

} // namespace vozel
