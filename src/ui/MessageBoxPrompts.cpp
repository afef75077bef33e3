#include "ui/MessageBoxPrompts.h"

#include "ui/MessageBoxSeam.h"

#include <QApplication>

namespace tolvane::ui {

using namespace Qt::StringLiterals;

namespace {
const QString kPrepCaption = u"トルヴェイン準備委員会(^^)"_s;
const QString kFailCaption = u"いや～～！　＞＜；"_s;
const QString kLostCaption = u"＞＜；"_s;
} // namespace

bool MessageBoxPrompts::confirm(Question question, int slot)
{
    const auto okCancel = QMessageBox::Ok | QMessageBox::Cancel;
    const QString n = QString::number(slot);
    switch (question) {
    case Question::DeleteList:
        return ShowMessageBox(m_parent, u"表示されているメッセージリストを削除しますか？"_s,
                              u"Final Answer?"_s, okCancel, MsgIcon::Question,
                              QMessageBox::Cancel) == QMessageBox::Ok;
    case Question::BindShortcut:
        return ShowMessageBox(
                   m_parent,
                   u"右のメッセージリストを短縮ボタン（"_s + n + u"）に割り付けますね！？"_s,
                   u"（＾＾）"_s, okCancel, MsgIcon::Question, QMessageBox::Ok) == QMessageBox::Ok;
    case Question::UnbindShortcut:
        return ShowMessageBox(m_parent, u"短縮ボタン（"_s + n + u"）の割り付けを解除しますよ！？"_s,
                              u"（＾＾；）"_s, okCancel, MsgIcon::Question,
                              QMessageBox::Ok) == QMessageBox::Ok;
    }
    return false;
}

void MessageBoxPrompts::inform(Notice notice, const QString& detail)
{
    switch (notice) {
    case Notice::DataDirectoryCreated:
        ShowMessageBox(m_parent, u"データディレクトリを作らせて頂きました♪"_s, kPrepCaption);
        break;
    case Notice::DataDirectoryFailed:
        ShowMessageBox(m_parent, u"データディレクトリが作れません・・（；；"_s);
        break;
    case Notice::SampleListWritten:
        ShowMessageBox(m_parent, u"サンプルメッセージリストを生成しました"_s, kPrepCaption);
        break;
    case Notice::SampleListFailed:
        ShowMessageBox(m_parent,
                       u"サンプルメッセージリストファイル作成失敗！\r開発者にご連絡を！"_s,
                       kFailCaption);
        break;
    case Notice::TimeSignalFileWritten:
        ShowMessageBox(m_parent, u"時報設定ファイルを生成しました（隠し属性）"_s, kPrepCaption);
        break;
    case Notice::TimeSignalFileFailed:
        ShowMessageBox(m_parent, u"時報設定ファイル作成失敗！\r開発者にご連絡を！"_s, kFailCaption);
        break;
    case Notice::NoListToBroadcast:
        ShowMessageBox(m_parent, u"放送するメッセージリストが選択されてませんね・・（；´ー｀）"_s,
                       u"放送できません・・・"_s);
        break;
    case Notice::NoListSelected:
        ShowMessageBox(m_parent, u"メッセージリストが選択されていません・・（；´ー｀）"_s);
        break;
    case Notice::ListUnreadable:
        ShowMessageBox(m_parent,
                       u"メッセージリスト「"_s + detail + u"」を読み込めません・・（；；"_s,
                       u"読み込めません・・・"_s);
        break;
    case Notice::ShortcutListMissing:
        ShowMessageBox(m_parent, u"おかしいな・・・メッセージリストみつかりません・・"_s,
                       kLostCaption, QMessageBox::Ok, MsgIcon::Question);
        break;
    case Notice::ShortcutReleased:
        ShowMessageBox(m_parent, u"短縮ボタンを解除しました・・・"_s, kLostCaption, QMessageBox::Ok,
                       MsgIcon::Question);
        break;
    case Notice::NoListToBind:
        ShowMessageBox(m_parent, u"メッセージリストを選択して下さい(^^)"_s,
                       u"元ネタがありません～！"_s, QMessageBox::Ok, MsgIcon::Information);
        break;
    case Notice::ConnectionFailed:
        ShowMessageBox(m_parent,
                       u"ヴェルミラ鯖とコネクションが取れません\r"
                       u"鯖設定を確認してトルヴェインを再起動して下さい"_s,
                       u"通信不能（；；"_s);
        break;
    case Notice::ListGone:
        ShowMessageBox(m_parent,
                       u"メッセージリスト「"_s + detail + u"」はもうありません・・（；；"_s,
                       u"みつかりません・・・"_s);
        break;
    case Notice::ShortcutChanged:
        ShowMessageBox(m_parent,
                       u"短縮ボタン（"_s + detail +
                           u"）の割り付けが変わったので\r解除しませんでした・・（；´ー｀）"_s,
                       u"（＾＾；）"_s);
        break;
    case Notice::AccountRequestNotSent: {
        // Over the account dialog that asked, in the style of its own notices.
        QWidget* over = QApplication::activeModalWidget();
        ShowMessageBox(over ? over : m_parent.data(),
                       u"鯖との接続が切れているので送れませんでした・・（；；"_s, u"(^^;"_s,
                       QMessageBox::Ok, MsgIcon::Information, QMessageBox::Ok);
        break;
    }
    }
}

} // namespace tolvane::ui
