#pragma once

#include "console/Console.h"
#include "ui/MessageBoxPrompts.h"

#include <QDialog>
#include <QEvent>
#include <QHash>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;

namespace tolvane::ui {

class UpDownControl;

// The console's main window, a view of the console: it builds the controls from the
// layout table, shows what the console's controller tells it, forwards the operator's
// actions, and opens the dialogs and message boxes (through `prompts`, which it shows
// over itself). The console's state, timing and files live in the console.
class CTolvaneDeskDlg : public QDialog
{
    Q_OBJECT
public:
    // `console` and `prompts` outlive the window; the console is started once the
    // window shows it.
    CTolvaneDeskDlg(console::Console& console, MessageBoxPrompts& prompts,
                    QWidget* parent = nullptr);
    ~CTolvaneDeskDlg() override;

    QWidget* controlWidget(int id) const { return m_controls.value(id); }
    console::ConsoleController& controller() { return m_controller; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void buildLayout();
    void connectControls();
    void connectController();
    void onControlStateChanged(console::ControlState state);
    void onListNamesChanged(const QStringList& names);
    void onCurrentListChanged(int index);
    void onLinesChanged(const QStringList& lines);
    void onSelectorIndexChanged(int index);
    void onSelectorActivated(int index);
    bool isPopupInput(QObject* watched, QEvent::Type type) const;
    void openNewListEditor();
    void openListEditor();
    void openConfig();
    void openAccounts();
    void OpenTimeSignalSettings();
    void closeConsole();
    void openAboutBox();

    MessageBoxPrompts& m_prompts;
    console::ConsoleController& m_controller;
    QHash<int, QWidget*> m_controls;
    QComboBox* m_selector = nullptr;
    QListWidget* m_lines = nullptr;
    QLineEdit* m_liveEdit = nullptr;
    QLineEdit* m_statusEdit = nullptr;
    QCheckBox* m_clearAfterSend = nullptr;
    QCheckBox* m_displayOnly = nullptr;
    QCheckBox* m_timeSignalEnabled = nullptr;
    UpDownControl* m_slotSpin = nullptr;
    int m_indexJustLoaded = -1; // the selector's change this turn, before its activation
    bool m_popupInput = false;  // the pointer or the keys are at work in the selector's list
    bool m_systemMenuAdded = false;
};

} // namespace tolvane::ui
