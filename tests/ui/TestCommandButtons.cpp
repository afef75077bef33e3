#include "console/ControlState.h"
#include "ui/MainWindowLayout.h"

#include <QTest>

using namespace tolvane;
using namespace tolvane::ui::mainwindow;

// The window and the commands read one table of control states; the window maps
// each control of it to a control of its own, one to one.
class TestCommandButtons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyControlHasItsOwnWidget()
    {
        QSet<int> ids;
        for (int c = 0; c < console::kControlCount; ++c) {
            const int id = controlId(console::Control(c));
            QVERIFY2(std::any_of(controls().begin(), controls().end(),
                                 [id](const ui::ControlSpec& spec) { return spec.id == id; }),
                     qPrintable(QString::number(c)));
            ids.insert(id);
        }
        QCOMPARE(ids.size(), console::kControlCount);
        QCOMPARE(controlId(console::Control::Stop), int(IDC_STOP));
        QCOMPARE(controlId(console::Control::Shortcut6), int(IDC_SHORTCUT6));
    }
};

QTEST_GUILESS_MAIN(TestCommandButtons)
#include "TestCommandButtons.moc"
