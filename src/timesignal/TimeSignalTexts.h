#pragma once

#include <QString>

namespace tolvane::settings {
class IniSettings;
}

namespace tolvane::timesignal {

// The switches and the editable texts of the hourly and half-hourly signals, as
// kept in section "TimeSig" of the settings file.
struct TimeSignalTexts
{
    QString hourlyOn;       // "00": any non-empty value switches the signal on
    QString halfHourlyOn;   // "30"
    QString hourlyHead;     // "00H"
    QString halfHourlyHead; // "30H"
    QString hourlyTail;     // "00F"
    QString halfHourlyTail; // "30F"

    bool hourlyEnabled() const { return !hourlyOn.isEmpty(); }
    bool halfHourlyEnabled() const { return !halfHourlyOn.isEmpty(); }

    bool operator==(const TimeSignalTexts&) const = default;
};

// Reads the six keys ("00", "30", "00H", "30H", "00F", "30F"); missing keys read empty.
TimeSignalTexts readTimeSignalTexts(const settings::IniSettings& settings);

// Writes the six keys when the main window is closed with its own button, in the
// order "00H", "30H", "00", "30", "00F", "30F".
void writeTimeSignalTextsOnClose(const settings::IniSettings& settings,
                                 const TimeSignalTexts& texts);

} // namespace tolvane::timesignal
