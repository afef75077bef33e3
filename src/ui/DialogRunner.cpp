#include "ui/DialogRunner.h"

#include <QDialog>

namespace tolvane::ui {

namespace {
DialogRunnerFn& runner()
{
    static DialogRunnerFn r;
    return r;
}
} // namespace

int runDialog(QDialog& dialog)
{
    if (runner())
        return runner()(dialog);
    return dialog.exec();
}

void setDialogRunner(DialogRunnerFn r)
{
    runner() = std::move(r);
}

} // namespace tolvane::ui
