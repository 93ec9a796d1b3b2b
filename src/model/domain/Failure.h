#pragma once

#include <QString>
#include <QByteArray>
#include <exception>

namespace vozel {

// Every error that can reach the user carries the one line that is shown for it.
class Failure : public std::exception {
public:
    explicit Failure(QString description);
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

// Stored or received data that does not have the expected JSON shape.
class DecodingError : public Failure {
public:
    explicit DecodingError(QString detail);
    // Which member or value was wrong; for logs and tests, never shown.
    const QString &detail() const { return m_detail; }

private:
    QString m_detail;
};

// A failure reported by the operating system or a library, shown with its own description.
class PlatformError : public Failure {
public:
    using Failure::Failure;
};

} // namespace vozel
