#pragma once

#include <QDateTime>

namespace vozel {

// A point in time kept as seconds since 2001-01-01T00:00:00Z, the form stored on disk,
// so a stored value reads back unchanged to the last bit.
struct ReferenceDate {
    double secondsSince2001 = 0;

    static constexpr qint64 epochOffsetSeconds = 978307200; // 2001-01-01 in Unix time

    static ReferenceDate now()
    {
        return {QDateTime::currentMSecsSinceEpoch() / 1000.0 - epochOffsetSeconds};
    }
    QDateTime toDateTime() const
    {
        return QDateTime::fromMSecsSinceEpoch(qint64((secondsSince2001 + epochOffsetSeconds) * 1000.0));
    }

    friend bool operator==(const ReferenceDate &, const ReferenceDate &) = default;
};

} // namespace vozel
