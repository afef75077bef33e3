#include "ui/MainWindowLayout.h"

namespace tolvane::ui::mainwindow {

using K = ControlKind;

const QList<ControlSpec>& controls()
{
    static const QList<ControlSpec> table = {
        {IDC_LIST_SELECTOR, K::DropDownList, {}, {25, 21, 153, 165}},
        {IDC_START, K::PushButton, QStringLiteral("放送します♪"), {187, 21, 50, 14}},
        {IDC_LINES, K::ListBox, {}, {25, 43, 153, 161}, ShowsLineCut},
        {IDC_STOP, K::PushButton, QStringLiteral("放送中止！"), {187, 43, 50, 14}},
        {kNoId, K::GroupBox, QStringLiteral("短縮設定"), {182, 68, 67, 50}},
        // The up-down aligns itself at the right edge of its buddy, inside the buddy's
        // rectangle, as the arrow-key buddy control does; the number shows to its left.
        {kNoId, K::Static, QStringLiteral("1"), {192, 77, 18, 35}, AlignCenter | Sunken},
        {IDC_SLOT_SPIN, K::UpDown, {}, {210, 77, 11, 35}, AutoBuddy},
        {IDC_BIND, K::PushButton, QStringLiteral("登録"), {221, 77, 21, 18}},
        {IDC_UNBIND, K::PushButton, QStringLiteral("解除"), {221, 94, 21, 18}},
        {kNoId, K::GroupBox, QStringLiteral("短縮ボタン"), {256, 21, 113, 98}},
        {IDC_SHORTCUT1, K::PushButton, QStringLiteral("①"), {272, 44, 19, 19}},
        {IDC_SHORTCUT2, K::PushButton, QStringLiteral("②"), {303, 44, 19, 19}},
        {IDC_SHORTCUT3, K::PushButton, QStringLiteral("③"), {334, 44, 19, 19}},
        {IDC_SHORTCUT4, K::PushButton, QStringLiteral("④"), {272, 68, 19, 19}},
        {IDC_SHORTCUT5, K::PushButton, QStringLiteral("⑤"), {303, 68, 19, 19}},
        {IDC_SHORTCUT6, K::PushButton, QStringLiteral("⑥"), {334, 68, 19, 19}},
        {IDC_DISPLAY_ONLY, K::CheckBox, QStringLiteral("表示のみ"), {272, 100, 67, 10}},
        {kNoId, K::GroupBox, QStringLiteral("リスト編集"), {182, 122, 68, 46}},
        {IDC_NEW_LIST, K::PushButton, QStringLiteral("新規"), {191, 133, 23, 14}},
        {IDC_EDIT_LIST, K::PushButton, QStringLiteral("編集"), {218, 133, 24, 14}},
        {IDC_DELETE_LIST, K::PushButton, QStringLiteral("削除"), {191, 149, 50, 14}},
        {kNoId, K::GroupBox, QStringLiteral("システム"), {256, 148, 113, 61}},
        {IDC_STATUS, K::Edit, {}, {261, 164, 103, 14}, ReadOnly},
        {IDC_ACCOUNTS, K::PushButton, QStringLiteral("管理"), {261, 184, 50, 14}},
        {IDC_CONFIG, K::PushButton, QStringLiteral("設定"), {314, 184, 50, 14}},
        {kNoId, K::GroupBox, QStringLiteral("時報"), {183, 174, 67, 35}},
        {IDC_TIMESIG_ENABLED, K::CheckBox, QStringLiteral("有効"), {200, 190, 25, 10}},
        {IDC_TIMESIG_SETTINGS, K::PushButton, QStringLiteral("設定"), {225, 185, 21, 18}},
        {IDC_LIVE_TEXT, K::LiveMessageEdit, {}, {25, 218, 153, 14}},
        {IDC_LIVE_SEND, K::PushButton, QStringLiteral("生声♪"), {187, 218, 50, 14}},
        {IDC_LOGIN, K::PushButton, QStringLiteral("ログイン"), {259, 218, 50, 14}},
        {IDC_CLEAR_AFTER_SEND,
         K::CheckBox,
         QStringLiteral("送信したらエディットボックスを空にするっ！"),
         {25, 236, 135, 10}},
        {IDOK, K::DefPushButton, QStringLiteral("おわり～！"), {259, 239, 116, 14}},
    };
    return table;
}

const QList<QPair<int, QString>>& tooltips()
{
    static const QList<QPair<int, QString>> table = {
        {IDC_LOGIN, QStringLiteral("LOGIN complete!")},
        {IDC_LIVE_SEND, QStringLiteral("ただちに送信します♪")},
        {IDC_STOP, QStringLiteral("放送を中止します♪")},
        {IDC_START, QStringLiteral("放送を始めます♪")},
        {IDC_NEW_LIST, QStringLiteral("メッセージリストを新しく作成します♪")},
        {IDC_DELETE_LIST, QStringLiteral("選択されたメッセージリストを削除します♪")},
        {IDC_CONFIG, QStringLiteral("鯖接続の為の設定です")},
        {IDC_BIND, QStringLiteral("短縮ボタンで楽チン♪")},
        {IDC_UNBIND, QStringLiteral("やっぱやめ～")},
        {IDC_SLOT_SPIN, QStringLiteral("短縮ボタンを選びます")},
        {IDC_LIST_SELECTOR, QStringLiteral("メッセージを選んで下さい♪")},
        {IDC_ACCOUNTS, QStringLiteral("アカウント操作処理！")},
        {IDC_EDIT_LIST, QStringLiteral("選択されたメッセージリストを編集します♪")},
        {IDC_TIMESIG_SETTINGS, QStringLiteral("予約放送の設定")},
    };
    return table;
}

int controlId(console::Control control)
{
    using C = console::Control;
    switch (control) {
    case C::Login:
        return IDC_LOGIN;
    case C::LiveSend:
        return IDC_LIVE_SEND;
    case C::Start:
        return IDC_START;
    case C::Lines:
        return IDC_LINES;
    case C::Stop:
        return IDC_STOP;
    case C::Bind:
        return IDC_BIND;
    case C::Unbind:
        return IDC_UNBIND;
    case C::Accounts:
        return IDC_ACCOUNTS;
    case C::Shortcut1:
    case C::Shortcut2:
    case C::Shortcut3:
    case C::Shortcut4:
    case C::Shortcut5:
    case C::Shortcut6:
        return kShortcutIds[int(control) - int(C::Shortcut1)];
    case C::DeleteList:
        return IDC_DELETE_LIST;
    case C::EditList:
        return IDC_EDIT_LIST;
    }
    return kNoId;
}

} // namespace tolvane::ui::mainwindow
