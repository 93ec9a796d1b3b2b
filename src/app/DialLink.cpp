#include "app/DialLink.h"

#include "model/DialString.h"
#include "model/VozelModel.h"

#include <QUrl>

namespace vozel {

using namespace Qt::StringLiterals;

std::optional<QString> numberFromDialLink(const QString &link)
{
    const QString text = link.trimmed();
    const QString scheme = text.section(u':', 0, 0).toLower();
    if (scheme != "tel"_L1 && scheme != "sip"_L1 && scheme != "sips"_L1)
        return std::nullopt;
    QString target = QUrl::fromPercentEncoding(text.section(u':', 1).toUtf8());
    // tel:+55-11-3333;ext=2 and sip:2002@pbx;transport=udp: the number ends at the first parameter or host.
    target = target.section(u';', 0, 0).section(u'?', 0, 0);
    if (scheme != "tel"_L1)
        target = target.section(u'@', 0, 0);
    const QString number = DialString::dialablePart(target, VozelModel::numberLimit);
    if (number.isEmpty())
        return std::nullopt;
    return number;
}

std::optional<QString> numberFromArguments(const QStringList &arguments)
{
    for (const auto &argument : arguments) {
        if (const auto number = numberFromDialLink(argument))
            return number;
    }
    return std::nullopt;
}

} // namespace vozel
