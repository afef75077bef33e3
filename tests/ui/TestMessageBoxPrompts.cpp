#include "BoxRecorder.h"

#include "ui/MessageBoxPrompts.h"

#include <QTest>

using namespace tolvane::ui;
using namespace Qt::StringLiterals;
using Notice = tolvane::console::OperatorPrompts::Notice;
using Question = tolvane::console::OperatorPrompts::Question;

Q_DECLARE_METATYPE(MsgIcon)
Q_DECLARE_METATYPE(QMessageBox::StandardButton)

// Every question and notice of the console as the box the operator sees, text for
// text.
class TestMessageBoxPrompts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void notices_data()
    {
        QTest::addColumn<int>("notice");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<MsgIcon>("icon");
        QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
        const QString prep = u"トルヴェイン準備委員会(^^)"_s;
        const QString fail = u"いや～～！　＞＜；"_s;
        const auto row = [](const char* name, Notice n, const QString& text, const QString& caption,
                            MsgIcon icon = MsgIcon::None, const QString& detail = {},
                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) {
            QTest::newRow(name) << int(n) << detail << text << caption << icon << defaultButton;
        };
        row("directory made", Notice::DataDirectoryCreated,
            u"データディレクトリを作らせて頂きました♪"_s, prep);
        row("directory failed", Notice::DataDirectoryFailed,
            u"データディレクトリが作れません・・（；；"_s, {});
        row("sample", Notice::SampleListWritten, u"サンプルメッセージリストを生成しました"_s, prep);
        row("sample failed", Notice::SampleListFailed,
            u"サンプルメッセージリストファイル作成失敗！\r開発者にご連絡を！"_s, fail);
        row("schedule file", Notice::TimeSignalFileWritten,
            u"時報設定ファイルを生成しました（隠し属性）"_s, prep);
        row("schedule file failed", Notice::TimeSignalFileFailed,
            u"時報設定ファイル作成失敗！\r開発者にご連絡を！"_s, fail);
        row("nothing to broadcast", Notice::NoListToBroadcast,
            u"放送するメッセージリストが選択されてませんね・・（；´ー｀）"_s,
            u"放送できません・・・"_s);
        row("nothing chosen", Notice::NoListSelected,
            u"メッセージリストが選択されていません・・（；´ー｀）"_s, {});
        row("unreadable", Notice::ListUnreadable,
            u"メッセージリスト「朝」を読み込めません・・（；；"_s, u"読み込めません・・・"_s,
            MsgIcon::None, u"朝"_s);
        row("shortcut lost", Notice::ShortcutListMissing,
            u"おかしいな・・・メッセージリストみつかりません・・"_s, u"＞＜；"_s,
            MsgIcon::Question);
        row("shortcut released", Notice::ShortcutReleased, u"短縮ボタンを解除しました・・・"_s,
            u"＞＜；"_s, MsgIcon::Question);
        row("nothing to bind", Notice::NoListToBind, u"メッセージリストを選択して下さい(^^)"_s,
            u"元ネタがありません～！"_s, MsgIcon::Information);
        row("no connection", Notice::ConnectionFailed,
            u"ヴェルミラ鯖とコネクションが取れません\r鯖設定を確認してトルヴェインを再起動して下さい"_s,
            u"通信不能（；；"_s);
        row("account request not sent", Notice::AccountRequestNotSent,
            u"鯖との接続が切れているので送れませんでした・・（；；"_s, u"(^^;"_s,
            MsgIcon::Information, {}, QMessageBox::Ok);
    }
    void notices()
    {
        QFETCH(int, notice);
        QFETCH(QString, detail);
        testsupport::BoxRecorder boxes;
        boxes.expect();
        MessageBoxPrompts(nullptr).inform(Notice(notice), detail);
        QCOMPARE(boxes.boxes.size(), 1);
        QTEST(boxes.boxes[0].text, "text");
        QTEST(boxes.boxes[0].caption, "caption");
        QTEST(boxes.boxes[0].icon, "icon");
        QTEST(boxes.boxes[0].defaultButton, "defaultButton");
        QCOMPARE(boxes.boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void questions_data()
    {
        QTest::addColumn<int>("question");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
        QTest::newRow("delete") << int(Question::DeleteList) << 0
                                << u"表示されているメッセージリストを削除しますか？"_s
                                << u"Final Answer?"_s << QMessageBox::Cancel;
        QTest::newRow("bind") << int(Question::BindShortcut) << 3
                              << u"右のメッセージリストを短縮ボタン（3）に割り付けますね！？"_s
                              << u"（＾＾）"_s << QMessageBox::Ok;
        QTest::newRow("unbind") << int(Question::UnbindShortcut) << 6
                                << u"短縮ボタン（6）の割り付けを解除しますよ！？"_s
                                << u"（＾＾；）"_s << QMessageBox::Ok;
    }
    void questions()
    {
        QFETCH(int, question);
        QFETCH(int, slot);
        testsupport::BoxRecorder boxes;
        boxes.expect(QMessageBox::Ok);
        boxes.expect(QMessageBox::Cancel);
        MessageBoxPrompts prompts(nullptr);
        QVERIFY(prompts.confirm(Question(question), slot));
        QVERIFY(!prompts.confirm(Question(question), slot));
        QTEST(boxes.boxes[0].text, "text");
        QTEST(boxes.boxes[0].caption, "caption");
        QTEST(boxes.boxes[0].defaultButton, "defaultButton");
        QCOMPARE(boxes.boxes[0].icon, MsgIcon::Question);
        QCOMPARE(boxes.boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    }
};

QTEST_MAIN(TestMessageBoxPrompts)
#include "TestMessageBoxPrompts.moc"
