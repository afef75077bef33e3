#include "timesignal/TimeSignalTexts.h"

#include "settings/IniSettings.h"
#include "settings/SettingsKeys.h"

namespace tolvane::timesignal {

TimeSignalTexts readTimeSignalTexts(const settings::IniSettings& settings)
{
    const QString& section = settings::keys::kSectionTimeSig;
    TimeSignalTexts t;
    t.hourlyOn = settings.read(section, settings::keys::kHourlyOn);
    t.halfHourlyOn = settings.read(section, settings::keys::kHalfHourlyOn);
    t.hourlyHead = settings.read(section, settings::keys::kHourlyHead);
    t.halfHourlyHead = settings.read(section, settings::keys::kHalfHourlyHead);
    t.hourlyTail = settings.read(section, settings::keys::kHourlyTail);
    t.halfHourlyTail = settings.read(section, settings::keys::kHalfHourlyTail);
    return t;
}

void writeTimeSignalTextsOnClose(const settings::IniSettings& settings,
                                 const TimeSignalTexts& texts)
{
    // A failed write leaves the old value; the operator is not told.
    const QString& section = settings::keys::kSectionTimeSig;
    (void)settings.write(section, settings::keys::kHourlyHead, texts.hourlyHead);
    (void)settings.write(section, settings::keys::kHalfHourlyHead, texts.halfHourlyHead);
    (void)settings.write(section, settings::keys::kHourlyOn, texts.hourlyOn);
    (void)settings.write(section, settings::keys::kHalfHourlyOn, texts.halfHourlyOn);
    (void)settings.write(section, settings::keys::kHourlyTail, texts.hourlyTail);
    (void)settings.write(section, settings::keys::kHalfHourlyTail, texts.halfHourlyTail);
}

} // namespace tolvane::timesignal
