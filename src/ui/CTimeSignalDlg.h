#pragma once

#include "console/MessageListService.h"
#include "console/ScheduleService.h"
#include "timesignal/TimeSignalFile.h"
#include "timesignal/TimeSignalTexts.h"

#include <QDialog>
#include <QList>
#include <QTime>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace tolvane::ui {

class UpDownControl;

// The time-signal settings dialog (dialog 134): switches the hourly and
// half-hourly signals, opens the editor of their texts, and keeps the custom
// schedule, all through the schedule service. "閉じる" saves the schedule file and
// the switches; Escape and the close box save nothing of their own.
class CTimeSignalDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdSchedule = 1062,
        IdHourly = 1063,
        IdHalfHourly = 1064,
        IdHourUpDown = 1066,
        IdMinuteUpDown = 1067,
        IdHourEdit = 1068,
        IdMinuteEdit = 1038,
        IdSecondEdit = 1077,
        IdSecondUpDown = 1076,
        IdLists = 1069,
        IdNewList = 1070,
        IdAdd = 1071,
        IdChange = 1072,
        IdDelete = 1073,
        IdEditHourly = 1074,
        IdEditHalfHourly = 1075,
        IdClose = 1,
    };
    // "追加" is refused once the schedule holds this many rows.
    static constexpr int kMaxRows = 20;
    // The object name of the note on the lines of the file the list cannot show.
    static inline const QString kKeptNoteName = QStringLiteral("keptLinesNote");

    // `schedule` and `lists` outlive the dialog.
    CTimeSignalDlg(console::ScheduleService& schedule, console::MessageListService& lists,
                   std::function<QTime()> clock, QWidget* parent = nullptr);

    // The rows as they stand, in list order: what "閉じる" would write.
    QList<timesignal::TimeSignalRow> rows() const;
    // The switches and texts as the dialog holds them.
    const timesignal::TimeSignalTexts& texts() const { return m_texts; }

private:
    void onHourlyClicked(bool checked);
    void onHalfHourlyClicked(bool checked);
    void onEditHourly();
    void onEditHalfHourly();
    void onNewList();
    void onAdd();
    void onDelete();
    void onClose();

    void RefreshListNames();
    void addRow(const QString& displayTime, bool enabled, const QString& listName);
    void sortRows();
    void updateAddButton();
    void showKeptLines();
    void reportWriteFailure(const platform::FileError& error);

    console::ScheduleService& m_scheduleService;
    console::MessageListService& m_listService;
    timesignal::TimeSignalTexts m_texts;
    timesignal::KeptLines m_kept; // written back unchanged after the rows

    QTreeWidget* m_schedule = nullptr;
    QComboBox* m_lists = nullptr;
    QCheckBox* m_hourly = nullptr;
    QCheckBox* m_halfHourly = nullptr;
    UpDownControl* m_hour = nullptr;
    UpDownControl* m_minute = nullptr;
    UpDownControl* m_second = nullptr;
    QPushButton* m_add = nullptr;
    QLabel* m_keptNote = nullptr;
};

} // namespace tolvane::ui
