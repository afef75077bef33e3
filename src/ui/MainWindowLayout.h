#pragma once

#include "console/ControlState.h"
#include "ui/ControlTable.h"

#include <QList>
#include <QPair>

// The main window's layout (dialog units), its tooltips and its control states.
namespace tolvane::ui::mainwindow {

enum Id : int {
    IDOK = 1,
    IDC_LIST_SELECTOR = 1000,
    IDC_NEW_LIST = 1001,
    IDC_DELETE_LIST = 1002,
    IDC_LOGIN = 1003,
    IDC_SHORTCUT1 = 1005,
    IDC_SHORTCUT2 = 1006,
    IDC_LIVE_TEXT = 1008,
    IDC_STATUS = 1009,
    IDC_LIVE_SEND = 1010,
    IDC_START = 1032,
    IDC_LINES = 1033,
    IDC_STOP = 1034,
    IDC_CONFIG = 1035,
    IDC_SLOT_SPIN = 1040,
    IDC_BIND = 1041,
    IDC_DISPLAY_ONLY = 1042,
    IDC_UNBIND = 1044,
    IDC_SHORTCUT3 = 1045,
    IDC_SHORTCUT4 = 1046,
    IDC_SHORTCUT5 = 1047,
    IDC_SHORTCUT6 = 1048,
    IDC_CLEAR_AFTER_SEND = 1049,
    IDC_ACCOUNTS = 1050,
    IDC_TIMESIG_ENABLED = 1051,
    IDC_TIMESIG_SETTINGS = 1052,
    IDC_EDIT_LIST = 1093,
};

constexpr int kShortcutIds[6] = {IDC_SHORTCUT1, IDC_SHORTCUT2, IDC_SHORTCUT3,
                                 IDC_SHORTCUT4, IDC_SHORTCUT5, IDC_SHORTCUT6};

inline const QSize kSizeDu(382, 260);

const QList<ControlSpec>& controls();
// Tooltips installed by control state 0, in order.
const QList<QPair<int, QString>>& tooltips();

// The window's control for each control a control state switches.
int controlId(console::Control control);

} // namespace tolvane::ui::mainwindow
