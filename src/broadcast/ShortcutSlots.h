#pragma once

#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <array>

namespace tolvane::settings {
class IniSettings;
}

namespace tolvane::broadcast {

// The six shortcut buttons' bindings: slot 1..6 to a message-list name (empty when
// unbound), stored in section "SCBn" as "Btn1" ... "Btn6", "none" when unbound.
class ShortcutSlots
{
public:
    static constexpr int kSlotCount = 6;

    // Binds every slot whose stored name finds a list among `entries` (the shared
    // lookup), to the name as stored; the others stay unbound, silently.
    void LoadShortcutBindings(const settings::IniSettings& settings, const QStringList& entries);
    // The name stored for the slot, "none" when the key is missing.
    static QString storedName(const settings::IniSettings& settings, int slot);
    // One slot as LoadShortcutBindings binds it from `stored`.
    void restore(int slot, const QString& stored, const QStringList& entries);

    QString boundName(int slot) const;
    bool isBound(int slot) const { return !boundName(slot).isEmpty(); }
    // In memory only.
    void unbindInMemory(int slot);
    // Bind and unbind write the settings file at once; the slot changes in memory
    // even when the write fails.
    platform::Result<void> bind(int slot, const QString& listName,
                                const settings::IniSettings& settings);
    platform::Result<void> unbind(int slot, const settings::IniSettings& settings);

    static bool validSlot(int slot) { return slot >= 1 && slot <= kSlotCount; }

private:
    std::array<QString, kSlotCount> m_names;
};

} // namespace tolvane::broadcast
