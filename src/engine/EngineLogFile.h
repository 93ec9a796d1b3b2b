#pragma once

#include <QByteArray>
#include <QString>

#include <mutex>

namespace vozel::sip {

// An append-only log file that only its owner can read, capped in size: when the next line
// would pass the cap, the file becomes the single older copy ("<path>.1") and a new one starts,
// so the two never hold more than twice the cap. Lines come from the stack's own threads too,
// hence the lock. A file that cannot be opened drops lines rather than disturb the caller.
class EngineLogFile {
public:
    EngineLogFile(QString path, qint64 capBytes);
    ~EngineLogFile();
    EngineLogFile(const EngineLogFile &) = delete;
    EngineLogFile &operator=(const EngineLogFile &) = delete;

    void append(const QByteArray &line);
    const QString &path() const { return m_path; }

    // $XDG_STATE_HOME/vozel/sip.log (or ~/.local/state/vozel/sip.log).
    static QString defaultPath();

private:
    void open();

    const QString m_path;
    const qint64 m_cap;
    std::mutex m_mutex;
    int m_fd = -1;
    qint64 m_size = 0;
};

} // namespace vozel::sip
