#pragma once

#include <QString>
#include <QStringList>

namespace vozel {

// The label key of a vCard telephone entry from its TYPE values ("CELL", "WORK", "HOME", "MAIN",
// "PREF", "FAX", "PAGER"), or an empty key when none of them says what kind of number it is.
QString phoneLabelKey(const QStringList &types);

// The Portuguese label for a key above; an empty key reads "Outro", and any other key is a label
// the user wrote, shown as written.
QString localizedPhoneLabel(const QString &labelKey);

} // namespace vozel
