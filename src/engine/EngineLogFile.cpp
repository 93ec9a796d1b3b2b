#include "engine/EngineLogFile.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vozel::sip {

using namespace Qt::StringLiterals;

EngineLogFile::EngineLogFile(QString path, qint64 capBytes)
    : m_path(std::move(path)), m_cap(capBytes)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (QDir().mkpath(folder))
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    open();
}

EngineLogFile::~EngineLogFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString EngineLogFile::defaultPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + u"/.local/state"_s;
    return state + u"/vozel/sip.log"_s;
}

void EngineLogFile::open()
{
    const QByteArray name = QFile::encodeName(m_path);
    m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    // A file left by an older version may have been readable by others.
    ::fchmod(m_fd, 0600);
    struct stat info {};
    m_size = ::fstat(m_fd, &info) == 0 ? info.st_size : 0;
}

void EngineLogFile::append(const QByteArray &line)
{
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0 && m_size > 0 && m_size + line.size() > m_cap) {
        ::close(m_fd);
        m_fd = -1;
        const QByteArray name = QFile::encodeName(m_path);
        std::rename(name.constData(), (name + ".1").constData());
        open();
    }
    if (m_fd < 0)
        return;
    const ssize_t written = ::write(m_fd, line.constData(), size_t(line.size()));
    if (written > 0)
        m_size += written;
}

} // namespace vozel::sip
