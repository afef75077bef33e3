#pragma once

#include "platform/Result.h"
#include "settings/IniSettings.h"
#include "timesignal/TimeSignalFile.h"
#include "timesignal/TimeSignalTexts.h"

#include <QDir>
#include <QObject>

#include <optional>

namespace tolvane::console {

// The time signal's configuration: the custom schedule in TimeSignal.cfg and the
// switches and texts of section TimeSig of the settings file. Each save and each
// change made to either file by hand is signalled with what the scheduler needs.
class ScheduleService : public QObject
{
    Q_OBJECT
public:
    explicit ScheduleService(settings::IniSettings settings, QDir dir = QDir(),
                             QObject* parent = nullptr);

    void setDirectory(const QDir& dir) { m_dir = dir; }
    const QDir& directory() const { return m_dir; }

    // Reads both stores (at start-up) and signals what they hold; nothing is logged.
    // A schedule file that cannot be read leaves the schedule empty.
    void load();

    const timesignal::TimeSignalTexts& texts() const { return m_texts; }
    // The entries the scheduler works on, every fired flag clear.
    const QList<timesignal::TimeSignalEntry>& entries() const { return m_entries; }
    // The file as the time-signal dialog edits it, read afresh; empty when it cannot
    // be read.
    timesignal::EditableSchedule editable() const;

    platform::Result<void> saveSchedule(const QList<timesignal::TimeSignalRow>& rows,
                                        const timesignal::KeptLines& kept);
    // "00" and "30".
    platform::Result<void> saveSwitches(const QString& hourlyOn, const QString& halfHourlyOn);
    // "00H" and "00F", or "30H" and "30F".
    platform::Result<void> saveHourlyTexts(const QString& head, const QString& tail);
    platform::Result<void> saveHalfHourlyTexts(const QString& head, const QString& tail);
    // All six as held now, in the order "00H", "30H", "00", "30", "00F", "30F" (the
    // main window closed with its own button).
    void saveTextsOnClose();

    // The file watcher's calls after a change on disk: what changed by hand is read,
    // logged and signalled; the console's own saves are recognised and pass quietly.
    // A schedule file that cannot be read (an editor between two steps of its save)
    // keeps the schedule as it was.
    void reloadSchedule();
    void reloadTexts();

Q_SIGNALS:
    void scheduleChanged(const QList<tolvane::timesignal::TimeSignalEntry>& entries);
    void textsChanged(const tolvane::timesignal::TimeSignalTexts& texts);
    // A line for the operator's log.
    void logged(const QString& text);

private:
    // Takes the file as the schedule; false when it holds what it held.
    bool takeSchedule(const platform::Result<QByteArray>& file);
    platform::Result<QByteArray> readFile() const;
    // Reads the six keys back after a write, and signals when they changed.
    void rereadTexts();
    platform::Result<void> writeKeys(const QList<std::pair<QString, QString>>& keysAndValues);

    settings::IniSettings m_settings;
    QDir m_dir;
    // The schedule file as last read or written; none when it could not be read.
    std::optional<QByteArray> m_fileBytes;
    QList<timesignal::TimeSignalEntry> m_entries;
    timesignal::TimeSignalTexts m_texts;
};

} // namespace tolvane::console
