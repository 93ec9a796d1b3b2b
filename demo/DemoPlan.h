#pragma once

#include <QList>
#include <QString>

namespace vozel::demo {

struct DemoExtension {
    QString number;
    QString password;
    QString name;
};

struct DemoOrigin {
    QString caller;
    QString label;
};

// Who is on the demo PBX and what its servers answer, as demo-pbx.json describes it: the
// programs of the demo and the scripts that start them read the same file.
struct DemoPlan {
    QList<DemoExtension> extensions;
    QString provisionedExtension;
    QString token;
    QString legacyToken;
    QList<DemoOrigin> origins;

    // Throws vozel::DecodingError when the file is missing or not a complete plan.
    static DemoPlan read(const QString &path);

    const DemoExtension *extension(const QString &number) const;
    const DemoOrigin *origin(const QString &caller) const;
};

} // namespace vozel::demo
