#pragma once

#include <QString>

namespace tolvane::platform {

// The directory that holds the running program's executable.
QString programDirectory();

} // namespace tolvane::platform
