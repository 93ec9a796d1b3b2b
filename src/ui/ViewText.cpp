#include "ui/ViewText.h"

#include <QLocale>

namespace vozel::ui {

using namespace Qt::StringLiterals;

ViewText::ViewText(QObject *parent) : QObject(parent) {}

QString ViewText::registrationTitle(const QString &kind) const
{
    if (kind == "disabled"_L1)
        return u"Desativado"_s;
    if (kind == "connecting"_L1)
        return u"Conectando…"_s;
    if (kind == "connected"_L1)
        return u"Conectado"_s;
    if (kind == "failed"_L1)
        return u"Sem conexão"_s;
    return u"Configure seu ramal"_s;
}

QString ViewText::callDate(const QDateTime &date) const
{
    static const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    return brazil.toString(date.toLocalTime(), u"d 'de' MMM 'de' yyyy, HH:mm"_s);
}

} // namespace vozel::ui
