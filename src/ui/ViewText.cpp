#include "ui/ViewText.h"

#include "model/domain/SIPAccount.h"
#include "model/domain/VozelAudioDevice.h"

#include <QLocale>
#include <QVariantMap>

namespace vozel::ui {

using namespace Qt::StringLiterals;

ViewText::ViewText(QObject *parent) : QObject(parent) {}

QString ViewText::registrationTitle(RegistrationState::Kind kind) const
{
    switch (kind) {
    case RegistrationState::Kind::NotConfigured:
        return u"Configure seu ramal"_s;
    case RegistrationState::Kind::Disabled:
        return u"Desativado"_s;
    case RegistrationState::Kind::Connecting:
        return u"Conectando…"_s;
    case RegistrationState::Kind::Connected:
        return u"Conectado"_s;
    case RegistrationState::Kind::Failed:
        return u"Sem conexão"_s;
    }
    Q_UNREACHABLE();
}

QString ViewText::accountLabel(const QVariantList &savedAccounts, const QString &id) const
{
    if (id.isEmpty())
        return {};
    for (const QVariant &entry : savedAccounts) {
        const auto saved = entry.value<SavedSIPAccount>();
        if (saved.idText() == id)
            return saved.label();
    }
    return {};
}

QVariantList ViewText::accountChoices(const QVariantList &savedAccounts) const
{
    QVariantList choices;
    for (const QVariant &entry : savedAccounts) {
        const auto saved = entry.value<SavedSIPAccount>();
        choices.append(QVariantMap{{u"value"_s, saved.idText()}, {u"text"_s, saved.label()}});
    }
    return choices;
}

int ViewText::choiceIndex(const QVariantList &choices, const QString &value) const
{
    for (qsizetype i = 0; i < choices.size(); ++i) {
        if (choices[i].toMap().value(u"value"_s).toString() == value)
            return int(i);
    }
    return -1;
}

QString ViewText::callDate(const QDateTime &date) const
{
    static const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    return brazil.toString(date.toLocalTime(), u"d 'de' MMM 'de' yyyy, HH:mm"_s);
}

QVariantList ViewText::deviceChoices(const QVariantList &devices, bool recording) const
{
    QVariantList choices;
    for (const QVariant &entry : devices) {
        const auto device = entry.value<VozelAudioDevice>();
        if (recording ? !device.canRecord : !device.canPlay)
            continue;
        const QString text = device.isUSB ? device.name + u" · USB"_s : device.name;
        choices.append(QVariantMap{{u"value"_s, device.id}, {u"text"_s, text}});
    }
    return choices;
}

} // namespace vozel::ui
