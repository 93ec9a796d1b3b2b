#include "services/contacts/PhoneLabels.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace vozel {

QString phoneLabelKey(const QStringList &types)
{
    QSet<QString> present;
    for (const QString &value : types) {
        for (const QString &type : value.split(u',', Qt::SkipEmptyParts))
            present.insert(type.trimmed().toUpper());
    }
    // A fax or pager line is that whatever else it is; PREF only marks the preferred entry,
    // so it names the entry only when nothing more specific does.
    static const QList<QPair<QString, QString>> precedence = {
        {u"FAX"_s, u"FAX"_s},
        {u"PAGER"_s, u"PAGER"_s},
        {u"CELL"_s, u"CELL"_s},
        {u"WORK"_s, u"WORK"_s},
        {u"X-EVOLUTION-COMPANY"_s, u"WORK"_s},
        {u"HOME"_s, u"HOME"_s},
        {u"MAIN"_s, u"MAIN"_s},
        {u"PREF"_s, u"PREF"_s},
    };
    for (const auto &[type, key] : precedence) {
        if (present.contains(type))
            return key;
    }
    return {};
}

QString localizedPhoneLabel(const QString &labelKey)
{
    static const QHash<QString, QString> labels = {
        {u"CELL"_s, u"Celular"_s},
        {u"WORK"_s, u"Trabalho"_s},
        {u"HOME"_s, u"Residencial"_s},
        {u"MAIN"_s, u"Principal"_s},
        {u"PREF"_s, u"Principal"_s},
        {u"FAX"_s, u"Fax"_s},
        {u"PAGER"_s, u"Pager"_s},
    };
    return labelKey.isEmpty() ? u"Outro"_s : labels.value(labelKey, labelKey);
}

} // namespace vozel
