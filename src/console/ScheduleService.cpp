#include "console/ScheduleService.h"

#include "platform/AtomicFile.h"
#include "settings/SettingsKeys.h"

namespace tolvane::console {

using namespace Qt::StringLiterals;
using platform::Result;
namespace keys = settings::keys;

namespace {

// The keys whose values differ, for the operator's log.
QStringList changedKeys(const timesignal::TimeSignalTexts& a, const timesignal::TimeSignalTexts& b)
{
    QStringList out;
    const auto check = [&](const QString& key, const QString& x, const QString& y) {
        if (x != y)
            out.append(key);
    };
    check(keys::kHourlyOn, a.hourlyOn, b.hourlyOn);
    check(keys::kHalfHourlyOn, a.halfHourlyOn, b.halfHourlyOn);
    check(keys::kHourlyHead, a.hourlyHead, b.hourlyHead);
    check(keys::kHalfHourlyHead, a.halfHourlyHead, b.halfHourlyHead);
    check(keys::kHourlyTail, a.hourlyTail, b.hourlyTail);
    check(keys::kHalfHourlyTail, a.halfHourlyTail, b.halfHourlyTail);
    return out;
}

} // namespace

ScheduleService::ScheduleService(settings::IniSettings settings, QDir dir, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_dir(std::move(dir))
{}

void ScheduleService::load()
{
    m_texts = timesignal::readTimeSignalTexts(m_settings);
    Q_EMIT textsChanged(m_texts);
    m_fileBytes.reset();
    m_entries.clear();
    takeSchedule(readFile());
    Q_EMIT scheduleChanged(m_entries);
}

timesignal::EditableSchedule ScheduleService::editable() const
{
    const Result<timesignal::TimeSignalFileContents> contents =
        timesignal::ReadTimeSignalFile(m_dir);
    return contents ? timesignal::splitForEditing(*contents) : timesignal::EditableSchedule();
}

Result<QByteArray> ScheduleService::readFile() const
{
    return platform::readWholeFile(m_dir.filePath(timesignal::kTimeSignalFileName));
}

bool ScheduleService::takeSchedule(const Result<QByteArray>& file)
{
    if (!file || file.value() == m_fileBytes)
        return false;
    m_fileBytes = *file;
    m_entries = timesignal::LoadSchedule(timesignal::parseTimeSignalFile(*file));
    return true;
}

Result<void> ScheduleService::saveSchedule(const QList<timesignal::TimeSignalRow>& rows,
                                           const timesignal::KeptLines& kept)
{
    Result<void> written = timesignal::WriteTimeSignalFile(m_dir, rows, kept);
    if (!written)
        return written;
    // What is on disk now, so the watcher's news of this save is known for ours.
    m_fileBytes.reset();
    takeSchedule(readFile());
    Q_EMIT scheduleChanged(m_entries);
    return written;
}

void ScheduleService::reloadSchedule()
{
    if (!takeSchedule(readFile()))
        return;
    Q_EMIT logged(u"外部変更 時報設定ファイル（予約 "_s + QString::number(m_entries.size()) +
                  u"件）"_s);
    Q_EMIT scheduleChanged(m_entries);
}

Result<void> ScheduleService::writeKeys(const QList<std::pair<QString, QString>>& keysAndValues)
{
    Result<void> result;
    for (const auto& [key, value] : keysAndValues) {
        // Each key is written even when one before it failed, as each write is its own.
        Result<void> written = m_settings.write(keys::kSectionTimeSig, key, value);
        if (!written && result)
            result = written;
    }
    rereadTexts();
    return result;
}

Result<void> ScheduleService::saveSwitches(const QString& hourlyOn, const QString& halfHourlyOn)
{
    return writeKeys({{keys::kHourlyOn, hourlyOn}, {keys::kHalfHourlyOn, halfHourlyOn}});
}

Result<void> ScheduleService::saveHourlyTexts(const QString& head, const QString& tail)
{
    return writeKeys({{keys::kHourlyHead, head}, {keys::kHourlyTail, tail}});
}

Result<void> ScheduleService::saveHalfHourlyTexts(const QString& head, const QString& tail)
{
    return writeKeys({{keys::kHalfHourlyHead, head}, {keys::kHalfHourlyTail, tail}});
}

void ScheduleService::saveTextsOnClose()
{
    timesignal::writeTimeSignalTextsOnClose(m_settings, m_texts);
    rereadTexts();
}

void ScheduleService::rereadTexts()
{
    const timesignal::TimeSignalTexts texts = timesignal::readTimeSignalTexts(m_settings);
    if (texts == m_texts)
        return;
    m_texts = texts;
    Q_EMIT textsChanged(m_texts);
}

void ScheduleService::reloadTexts()
{
    const timesignal::TimeSignalTexts texts = timesignal::readTimeSignalTexts(m_settings);
    const QStringList changed = changedKeys(m_texts, texts);
    if (changed.isEmpty())
        return;
    m_texts = texts;
    Q_EMIT logged(u"外部変更 時報の設定（"_s + changed.join(u", "_s) + u"）"_s);
    Q_EMIT textsChanged(m_texts);
}

} // namespace tolvane::console
