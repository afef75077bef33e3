#pragma once

#include <functional>

class QDialog;

// The main window opens its modal dialogs through runDialog, so a test can answer
// "the dialog closed with OK after doing X" without a nested event loop.
namespace tolvane::ui {

using DialogRunnerFn = std::function<int(QDialog&)>;

int runDialog(QDialog& dialog);
// Installs a runner (tests); an empty function restores QDialog::exec().
void setDialogRunner(DialogRunnerFn runner);

} // namespace tolvane::ui
