#include "console/CommandDispatcher.h"
#include "ui/MainWindowLayout.h"

#include <QTest>

using namespace tolvane;
using namespace tolvane::ui::mainwindow;

// The commands' enabling rules are the window's: every path through the control
// states leaves the three buttons as the window's table does.
class TestCommandButtons : public QObject
{
    Q_OBJECT

    static void applyTable(int state, QMap<int, bool>& enabled)
    {
        const ControlStateRule* rule = controlState(state);
        for (const int id : rule->enabled)
            enabled[id] = true;
        for (const int id : rule->disabled)
            enabled[id] = false;
    }

private Q_SLOTS:
    void followsTheWindowsTable()
    {
        constexpr int kStates = 6;
        // Every sequence of four states after the first state 0.
        for (int code = 0; code < kStates * kStates * kStates * kStates; ++code) {
            QMap<int, bool> window;
            applyTable(0, window);
            console::CommandButtons buttons;
            buttons.apply(console::ControlState::LoggedOut);
            for (int step = 0, rest = code; step < 4; ++step, rest /= kStates) {
                const int state = rest % kStates;
                applyTable(state, window);
                buttons.apply(console::ControlState(state));
                QCOMPARE(buttons.liveSend, window.value(IDC_LIVE_SEND));
                QCOMPARE(buttons.start, window.value(IDC_START));
                QCOMPARE(buttons.stop, window.value(IDC_STOP));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCommandButtons)
#include "TestCommandButtons.moc"
