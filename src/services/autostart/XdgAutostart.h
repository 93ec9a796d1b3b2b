#pragma once

#include "model/ports/LoginItem.h"

#include <QString>

namespace vozel {

// Start at login through an XDG autostart entry: enabled means the entry exists and is
// not marked Hidden=true.
class XdgAutostart : public LoginItem {
public:
    XdgAutostart(QString entryPath, QString executable);
    // The entry in the user's autostart folder, starting this executable.
    static XdgAutostart forCurrentUser();

    bool isEnabled() const override;
    void setEnabled(bool enabled) override;

private:
    QString m_entryPath;
    QString m_executable;
};

} // namespace vozel
