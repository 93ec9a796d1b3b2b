#pragma once

#include "model/domain/RegistrationState.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace vozel::ui {

// Texts the views derive from the model's published values.
class ViewText : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit ViewText(QObject *parent = nullptr);

    // The title shown for a registration kind ("connected" -> "Conectado").
    Q_INVOKABLE QString registrationTitle(vozel::RegistrationState::Kind kind) const;
    // The label of the saved account with this id, or empty when none has it.
    Q_INVOKABLE QString accountLabel(const QVariantList &savedAccounts, const QString &id) const;
    // The entries of the account picker: {value: id, text: label} in stored order.
    Q_INVOKABLE QVariantList accountChoices(const QVariantList &savedAccounts) const;
    // The position of the entry with this value among choices, or -1.
    Q_INVOKABLE int choiceIndex(const QVariantList &choices, const QString &value) const;
    // A history row's time: abbreviated date and short time, in local time.
    Q_INVOKABLE QString callDate(const QDateTime &date) const;
    // The entries of an audio picker: the devices that can record (or play), each as
    // {value: id, text: name, followed by " · USB" for a USB device}.
    Q_INVOKABLE QVariantList deviceChoices(const QVariantList &devices, bool recording) const;
};

} // namespace vozel::ui
