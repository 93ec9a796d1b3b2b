#pragma once

#include "model/domain/RegistrationState.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace vozel::ui {

// Texts the views derive from the model's published values.
class ViewText : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit ViewText(QObject *parent = nullptr);

    // The title shown for a registration kind (Connected: "Conectado").
    Q_INVOKABLE QString registrationTitle(vozel::RegistrationState::Kind kind) const;
    // A history row's time: abbreviated date and short time, in local time.
    Q_INVOKABLE QString callDate(const QDateTime &date) const;
};

} // namespace vozel::ui
