#include "timesignal/TimeSignalTexts.h"

#include "app/IniSettings.h"
#include "app/SettingsKeys.h"

namespace tolvane::timesignal {

TimeSignalTexts readTimeSignalTexts(const IniSettings& settings)
{
    const QString& section = keys::kSectionTimeSig;
    TimeSignalTexts t;
    t.hourlyOn = settings.read(section, keys::kHourlyOn);
    t.halfHourlyOn = settings.read(section, keys::kHalfHourlyOn);
    t.hourlyHead = settings.read(section, keys::kHourlyHead);
    t.halfHourlyHead = settings.read(section, keys::kHalfHourlyHead);
    t.hourlyTail = settings.read(section, keys::kHourlyTail);
    t.halfHourlyTail = settings.read(section, keys::kHalfHourlyTail);
    return t;
}

void writeTimeSignalTextsOnClose(const IniSettings& settings, const TimeSignalTexts& texts)
{
    // A failed write leaves the old value; the operator is not told.
    const QString& section = keys::kSectionTimeSig;
    settings.write(section, keys::kHourlyHead, texts.hourlyHead);
    settings.write(section, keys::kHalfHourlyHead, texts.halfHourlyHead);
    settings.write(section, keys::kHourlyOn, texts.hourlyOn);
    settings.write(section, keys::kHalfHourlyOn, texts.halfHourlyOn);
    settings.write(section, keys::kHourlyTail, texts.hourlyTail);
    settings.write(section, keys::kHalfHourlyTail, texts.halfHourlyTail);
}

} // namespace tolvane::timesignal
