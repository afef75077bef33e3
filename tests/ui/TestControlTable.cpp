#include "BoxRecorder.h"

#include "ui/ControlTable.h"
#include "ui/MainWindowLayout.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QSignalSpy>
#include <QStyleOptionGroupBox>
#include <QTest>

using namespace tolvane::ui;

namespace {
// The main window's table, built as the window builds it.
struct MainTable
{
    QDialog dialog;
    MainTable()
    {
        buildDialog(&dialog, {}, mainwindow::kSizeDu, mainwindow::controls());
        dialog.show();
    }
    QList<QWidget*> controls() const
    {
        QList<QWidget*> out;
        for (QWidget* w : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!qobject_cast<QGroupBox*>(w))
                out.append(w);
        }
        return out;
    }
};

QRect groupBoxPart(const QGroupBox* box, QStyle::SubControl part)
{
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect r = box->style()->subControlRect(QStyle::CC_GroupBox, &option, part, box);
    return r.translated(box->pos());
}
} // namespace

class TestControlTable : public QObject
{
    Q_OBJECT

    testsupport::BoxRecorder m_boxes; // none expected: any box fails the test

private Q_SLOTS:
    // The frame line runs through the middle of the title, so the controls the
    // layout puts a few units below a group box's top are inside it, clear of it.
    void groupBoxesFrameTheirControlsBelowTheTitle()
    {
        MainTable t;
        const QList<QGroupBox*> boxes = t.dialog.findChildren<QGroupBox*>();
        QCOMPARE(boxes.size(), 5);
        for (const QGroupBox* box : boxes) {
            const QRect title = groupBoxPart(box, QStyle::SC_GroupBoxLabel);
            const QRect frame = groupBoxPart(box, QStyle::SC_GroupBoxFrame);
            QCOMPARE(title.top(), box->y());
            QVERIFY(frame.top() > title.top() && frame.top() < title.bottom());
            int inside = 0;
            for (const QWidget* c : t.controls()) {
                if (!box->geometry().contains(c->geometry()))
                    continue;
                ++inside;
                QVERIFY2(c->y() > frame.top() && !c->geometry().intersects(title),
                         qPrintable(box->title() + u' ' + c->objectName()));
            }
            QVERIFY2(inside > 0, qPrintable(box->title()));
        }
    }

    // A check box is a 13-px box and its text: a caption that fits its rectangle in
    // the dialog font keeps the rectangle, and none runs under another control.
    void checkBoxCaptionsStayClearOfOtherControls()
    {
        MainTable t;
        for (const ControlSpec& s : mainwindow::controls()) {
            if (s.kind != ControlKind::CheckBox)
                continue;
            const QWidget* check = controlById(&t.dialog, s.id);
            const QRect table = dialogUnitsToPixels(s.rect, t.dialog.font());
            if (13 + check->fontMetrics().horizontalAdvance(s.text) < table.width())
                QCOMPARE(check->geometry(), table);
            for (const QWidget* c : t.controls()) {
                QVERIFY2(c == check || !c->geometry().intersects(check->geometry()),
                         qPrintable(s.text + u' ' + c->objectName()));
            }
        }
    }

    void captionsAreAccessibleNames()
    {
        MainTable t;
        for (const ControlSpec& s : mainwindow::controls()) {
            if (s.id == kNoId || s.text.isEmpty())
                continue;
            QAccessibleInterface* a =
                QAccessible::queryAccessibleInterface(controlById(&t.dialog, s.id));
            QCOMPARE(a->text(QAccessible::Name), s.text);
        }
        for (QGroupBox* box : t.dialog.findChildren<QGroupBox*>())
            QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name),
                     box->title());
    }

    // An assistive tool's Toggle does what a click does, so handlers of clicks run.
    void toggleActionClicksTheCheckBox()
    {
        MainTable t;
        auto* check = control<QCheckBox>(&t.dialog, mainwindow::IDC_TIMESIG_ENABLED);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(check);
        QSignalSpy clicks(check, &QCheckBox::clicked);
        const bool before = check->isChecked();
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(check->isChecked(), !before);
        QCOMPARE(a->state().checked, !before);
    }
};

QTEST_MAIN(TestControlTable)
#include "TestControlTable.moc"
