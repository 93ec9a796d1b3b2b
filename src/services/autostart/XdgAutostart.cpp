#include "services/autostart/XdgAutostart.h"

#include "model/domain/Failure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace vozel {

using namespace Qt::StringLiterals;

namespace {

// Quotes an Exec argument as desktop entries require when it holds reserved characters.
QString execArgument(const QString &path)
{
    static const QString reserved = u" \t\n\"'\\><~|&;$*?#()`"_s;
    if (std::none_of(path.cbegin(), path.cend(), [](QChar c) { return reserved.contains(c); }))
        return path;
    QString quoted = path;
    for (const QChar c : {u'\\', u'"', u'`', u'$'})
        quoted.replace(c, u"\\"_s + c);
    return u'"' + quoted + u'"';
}

bool isHidden(QFile &entry)
{
    bool inMainGroup = false;
    while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith(u'['))
            inMainGroup = line == "[Desktop Entry]"_L1;
        else if (inMainGroup && line.section(u'=', 0, 0).trimmed() == "Hidden"_L1)
            return line.section(u'=', 1).trimmed() == "true"_L1;
    }
    return false;
}

} // namespace

XdgAutostart::XdgAutostart(QString entryPath, QString executable)
    : m_entryPath(std::move(entryPath)), m_executable(std::move(executable))
{
}

XdgAutostart XdgAutostart::forCurrentUser()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/autostart"_s;
    return {folder + u"/vozel.desktop"_s, QCoreApplication::applicationFilePath()};
}

bool XdgAutostart::isEnabled() const
{
    QFile entry(m_entryPath);
    if (!entry.open(QIODevice::ReadOnly))
        return false;
    return !isHidden(entry);
}

void XdgAutostart::setEnabled(bool enabled)
{
    if (!enabled) {
        QFile entry(m_entryPath);
        if (entry.exists() && !entry.remove())
            throw PlatformError(entry.errorString());
        return;
    }
    if (!QDir().mkpath(QFileInfo(m_entryPath).absolutePath()))
        throw PlatformError(u"Não foi possível criar a pasta %1."_s.arg(QFileInfo(m_entryPath).absolutePath()));
    QSaveFile entry(m_entryPath);
    if (!entry.open(QIODevice::WriteOnly))
        throw PlatformError(entry.errorString());
    entry.write(u"[Desktop Entry]\n"
                "Type=Application\n"
                "Name=Vozel\n"
                "Comment=Softphone do seu ramal\n"
                "Exec=%1\n"
                "Icon=br.com.vozel.Vozel\n"
                "Terminal=false\n"
                "X-GNOME-Autostart-enabled=true\n"_s.arg(execArgument(m_executable))
                    .toUtf8());
    if (!entry.commit())
        throw PlatformError(entry.errorString());
}

} // namespace vozel
