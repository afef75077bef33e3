#include "BoxRecorder.h"

#include "ui/ControlTable.h"
#include "ui/MainWindowLayout.h"

#include <QDialog>
#include <QHelpEvent>
#include <QListWidget>
#include <QTest>
#include <QToolTip>

using namespace tolvane::ui;

class TestCutLineDelegate : public QObject
{
    Q_OBJECT

    testsupport::BoxRecorder m_boxes; // none expected: any box fails the test

    // The tooltip the operator gets by resting the mouse on `item`.
    static QString toolTipOf(QListWidget* list, QListWidgetItem* item)
    {
        QToolTip::hideText();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QPoint at = list->visualItemRect(item).center();
        QHelpEvent event(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list->viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

private Q_SLOTS:
    void cutLinesOfTheLoadedListSaySo()
    {
        QDialog dialog;
        buildDialog(&dialog, {}, mainwindow::kSizeDu, mainwindow::controls());
        auto* list = control<QListWidget>(&dialog, mainwindow::IDC_LINES);
        QVERIFY(list);
        list->addItems({QString(36, u'a'), QString(40, u'a'),
                        QString(35, u'a') + QStringLiteral("\U0001F600")});
        auto* own = new QListWidgetItem(QString(40, u'b'), list);
        own->setToolTip(QStringLiteral("own"));
        dialog.show();
        QCOMPARE(toolTipOf(list, list->item(0)), QString());
        QCOMPARE(toolTipOf(list, list->item(1)),
                 QStringLiteral("36文字まで送信されます（4文字切れます）"));
        QCOMPARE(toolTipOf(list, list->item(2)),
                 QStringLiteral("35文字まで送信されます（1文字切れます）"));
        QCOMPARE(toolTipOf(list, own), QStringLiteral("own"));
    }
};

QTEST_MAIN(TestCutLineDelegate)
#include "TestCutLineDelegate.moc"
