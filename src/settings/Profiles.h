#pragma once

#include <QString>
#include <QStringList>

namespace tolvane::settings {

// Several worlds from one desk: a profile is a folder of its own holding a world's
// Tolvane.ini, TolvaneData and TolvaneLog. The console of the files it has always used
// (no --profile) is the default one and lives where it always did.
//
// Linux: "~/.local/share/TolvaneDesk/profiles/NAME". Windows: "profiles\NAME" beside
// the program, as the default files are; under the user's local application data when
// the program's folder cannot be written.
QString profilesRoot();
QString profileFolder(const QString& name);
// The profiles that exist (the folders under profilesRoot()), sorted by name.
QStringList existingProfiles();

// A short name-safe key of a profile for its lock and its command socket, whose
// names must stay short and plain whatever the profile is called.
QString profileKey(const QString& name);

// How a profile is named on the command line's output: the default one has no name.
QString profileLabel(const QString& name);

} // namespace tolvane::settings
