#pragma once

#include "model/VozelModel.h"
#include "services/contacts/ContactDirectory.h"

#include <QtQml/qqml.h>

namespace vozel::ui {

// Makes the model's type known to QML, so views can declare `property VozelModel vozel`.
struct VozelModelForeign {
    Q_GADGET
    QML_FOREIGN(vozel::VozelModel)
    QML_NAMED_ELEMENT(VozelModel)
    QML_UNCREATABLE("The application creates the one model.")
};

// The history rows the history sheet lists, and their directions as CallHistory.Missed and so on.
struct CallHistoryModelForeign {
    Q_GADGET
    QML_FOREIGN(vozel::CallHistoryModel)
    QML_NAMED_ELEMENT(CallHistory)
    QML_UNCREATABLE("The model keeps the one history.")
};

// Make the kinds readable from QML as VozelCallState.Idle, RegistrationState.Connected and so on.
namespace VozelCallStateForeign {
Q_NAMESPACE
QML_FOREIGN_NAMESPACE(vozel::VozelCallState)
QML_NAMED_ELEMENT(VozelCallState)
} // namespace VozelCallStateForeign

namespace RegistrationStateForeign {
Q_NAMESPACE
QML_FOREIGN_NAMESPACE(vozel::RegistrationState)
QML_NAMED_ELEMENT(RegistrationState)
} // namespace RegistrationStateForeign

// Lets the dialer create the address book it keeps for its contact picker.
struct ContactDirectoryForeign {
    Q_GADGET
    QML_FOREIGN(vozel::ContactDirectory)
    QML_NAMED_ELEMENT(ContactDirectory)
};

} // namespace vozel::ui
