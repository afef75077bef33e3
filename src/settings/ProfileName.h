#pragma once

#include <QString>
#include <QStringList>

namespace tolvane::settings {

// The most characters a profile name may have (a surrogate pair counts as one).
constexpr int kMaxProfileNameChars = 64;

// Why `name` cannot name a profile, in one line of English for the command line;
// empty when it can. A profile is a folder, so its name must be a folder name on
// Windows and on Linux alike, and must not differ only by case from one of the
// `existing` profiles (a Windows folder would be the same folder). Japanese names and
// spaces inside a name are fine.
QString profileNameError(const QString& name, const QStringList& existing = {});

} // namespace tolvane::settings
