#include "BoxRecorder.h"

#include "ui/ControlTable.h"
#include "ui/LiveMessageEdit.h"
#include "ui/MainWindowLayout.h"

#include <QAccessible>
#include <QDialog>
#include <QImage>
#include <QInputMethodEvent>
#include <QTest>

using namespace tolvane::ui;

namespace {
const QString kPair = QStringLiteral("\U0001F600"); // two UTF-16 units, one character

QString units(int n)
{
    return QString(n, QChar(0x3042)); // あ
}

enum class Look { Same, SentPartSame, Other };

// A live-message box beside a plain line edit that is given the same input, to see
// what the marks change on screen.
struct SideBySide
{
    LiveMessageEdit live{36};
    QLineEdit plain;
    SideBySide()
    {
        live.resize(400, 24);
        plain.resize(400, 24);
    }
    void setText(const QString& text)
    {
        live.setText(text);
        plain.setText(text);
    }
    void send(QInputMethodEvent& event)
    {
        QCoreApplication::sendEvent(&live, &event);
        QCoreApplication::sendEvent(&plain, &event);
    }
    Look look()
    {
        const QImage a = live.grab().toImage();
        const QImage b = plain.grab().toImage();
        if (a == b)
            return Look::Same;
        // The characters that go out look as they always do.
        const int sent = live.fontMetrics().horizontalAdvance(live.text().left(live.cutStart()));
        return a.copy(0, 0, sent, a.height()) == b.copy(0, 0, sent, b.height()) ? Look::SentPartSame
                                                                                : Look::Other;
    }
};
} // namespace

class TestLiveMessageEdit : public QObject
{
    Q_OBJECT

    testsupport::BoxRecorder m_boxes; // none expected: any box fails the test

private Q_SLOTS:
    void marksWhatTheCapCuts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cutStart");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("17 units") << units(17) << -1 << QString();
        QTest::newRow("18 units") << units(18) << -1 << QString();
        QTest::newRow("20 units") << units(20) << 18
                                  << QStringLiteral("18文字まで送信されます（2文字切れます）");
        QTest::newRow("pair across the cap")
            << units(17) + kPair + units(1) << 17
            << QStringLiteral("17文字まで送信されます（2文字切れます）");
        QTest::newRow("pair before the cap")
            << units(16) + kPair + units(2) << 18
            << QStringLiteral("17文字まで送信されます（2文字切れます）");
        QTest::newRow("pair ending at the cap") << units(16) + kPair << -1 << QString();
    }
    void marksWhatTheCapCuts()
    {
        QFETCH(QString, text);
        QFETCH(int, cutStart);
        QFETCH(QString, toolTip);
        SideBySide edits;
        edits.setText(units(30)); // marks of an earlier text do not linger
        edits.setText(text);
        QCOMPARE(edits.live.cutStart(), cutStart);
        QCOMPARE(edits.live.toolTip(), toolTip);
        QVERIFY(edits.look() == (cutStart < 0 ? Look::Same : Look::SentPartSame));
    }

    void typingPastTheCapGoesOn()
    {
        QDialog dialog;
        buildDialog(&dialog, {}, mainwindow::kSizeDu, mainwindow::controls());
        auto* edit = control<LiveMessageEdit>(&dialog, mainwindow::IDC_LIVE_TEXT);
        QVERIFY(edit);
        dialog.show();
        QTest::keyClicks(edit, QStringLiteral("abcdefghijklmnopqrstuvwxy"));
        QCOMPARE(edit->text().size(), 25);
        QCOMPARE(edit->toolTip(), QStringLiteral("18文字まで送信されます（7文字切れます）"));
        // The edit has no caption, and the notice does not become its name.
        QCOMPARE(QAccessible::queryAccessibleInterface(edit)->text(QAccessible::Name), QString());
    }

    void inputMethodCompositionIsLeftAlone()
    {
        SideBySide edits;
        edits.setText(units(17));
        QInputMethodEvent composing(QStringLiteral("かな"), {});
        edits.send(composing);
        // A segment committed while the next one is composed: no marks yet, and the
        // composition stays on screen.
        QInputMethodEvent commitAndCompose(QStringLiteral("か"), {});
        commitAndCompose.setCommitString(QStringLiteral("仮名仮名"));
        edits.send(commitAndCompose);
        QCOMPARE(edits.live.text(), units(17) + QStringLiteral("仮名仮名"));
        QVERIFY(edits.look() == Look::Same);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("か"));
        edits.send(commit);
        QCOMPARE(edits.live.cutStart(), 18);
        QVERIFY(edits.look() == Look::SentPartSame);
    }
};

QTEST_MAIN(TestLiveMessageEdit)
#include "TestLiveMessageEdit.moc"
