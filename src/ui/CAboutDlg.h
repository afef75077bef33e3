#pragma once

#include <QDialog>

namespace tolvane::ui {

// The version box (dialog 100), opened from the main window's system menu. It has
// no behaviour beyond closing.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace tolvane::ui
