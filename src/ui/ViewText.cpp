#include "ui/ViewText.h"

#include <QLocale>

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

QString ViewText::callDate(const QDateTime &date) const
{
    static const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    return brazil.toString(date.toLocalTime(), u"d 'de' MMM 'de' yyyy, HH:mm"_s);
}

} // namespace vozel::ui
