#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

namespace vozel {

// The per-user key-value store for preferences and the call history.
class DefaultsStore {
public:
    // The user's own store.
    DefaultsStore();
    // A store kept in the given file; tests point it at a temporary location.
    explicit DefaultsStore(const QString &filePath);

    bool contains(const QString &key) const;
    std::optional<bool> boolValue(const QString &key) const;
    std::optional<QString> stringValue(const QString &key) const;
    std::optional<QByteArray> dataValue(const QString &key) const;

    void setBool(const QString &key, bool value);
    void setString(const QString &key, const QString &value);
    void setData(const QString &key, const QByteArray &value);
    void remove(const QString &key);

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace vozel
