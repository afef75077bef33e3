#pragma once

#include <QIcon>

namespace tolvane::ui {

// The program icon from the compiled-in resources. The resources live in a static
// library, whose registration the linker would drop unless something refers to it;
// this makes sure they are registered before the icon is looked up.
QIcon programIcon();

} // namespace tolvane::ui
