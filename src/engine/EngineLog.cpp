#include "engine/EngineLog.h"

#include "engine/EngineLogFile.h"

#include <linphone++/logging_service.hh>
#include <linphone++/logging_service_listener.hh>

#include <QDateTime>

namespace vozel::sip {

namespace {

// Each file keeps a day or two of a busy phone at debug level; two files at most exist.
constexpr qint64 logCapBytes = 4 * 1024 * 1024;

QByteArray levelName(linphone::LogLevel level)
{
    switch (level) {
    case linphone::LogLevel::Debug:
        return "debug";
    case linphone::LogLevel::Trace:
        return "trace";
    case linphone::LogLevel::Message:
        return "message";
    case linphone::LogLevel::Warning:
        return "warning";
    case linphone::LogLevel::Error:
        return "error";
    case linphone::LogLevel::Fatal:
        return "fatal";
    }
    return "?";
}

// While a listener is installed the logging service writes nothing to the terminal.
class FileLogListener final : public linphone::LoggingServiceListener {
public:
    explicit FileLogListener(QString path) : m_file(std::move(path), logCapBytes) {}

    void onLogMessageWritten(const std::shared_ptr<linphone::LoggingService> &, const std::string &domain,
                             linphone::LogLevel level, const std::string &message) override
    {
        QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
        line += ' ';
        line += QByteArray::fromStdString(domain);
        line += ' ';
        line += levelName(level);
        line += ": ";
        line += QByteArray::fromStdString(message);
        line += '\n';
        m_file.append(line);
    }

private:
    EngineLogFile m_file;
};

} // namespace

void routeStackLogToFile()
{
    // The stack's threads log too. Holding the service for the life of the process lets them
    // share this one handle; otherwise each message would make and drop a handle of its own,
    // from several threads at once.
    static const auto service = linphone::LoggingService::get();
    static const auto listener = [] {
        auto created = std::make_shared<FileLogListener>(EngineLogFile::defaultPath());
        service->addListener(created);
        return created;
    }();
    Q_UNUSED(listener);
    service->setDomain("Vozel");
    service->setLogLevel(linphone::LogLevel::Debug);
}

} // namespace vozel::sip
