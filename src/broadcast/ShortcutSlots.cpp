#include "broadcast/ShortcutSlots.h"

#include "broadcast/MessageListStore.h"
#include "settings/IniSettings.h"
#include "settings/SettingsKeys.h"

namespace tolvane::broadcast {

void ShortcutSlots::LoadShortcutBindings(const settings::IniSettings& settings,
                                         const QStringList& entries)
{
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const QString name =
            settings.read(settings::keys::kSectionShortcuts, settings::keys::shortcutKey(slot),
                          settings::keys::kUnbound);
        // A name that finds nothing (including an empty one) leaves the slot unbound.
        m_names[size_t(slot - 1)] =
            (!name.isEmpty() && FindListByName(entries, name) >= 0) ? name : QString();
    }
}

QString ShortcutSlots::boundName(int slot) const
{
    return validSlot(slot) ? m_names[size_t(slot - 1)] : QString();
}

void ShortcutSlots::unbindInMemory(int slot)
{
    if (validSlot(slot))
        m_names[size_t(slot - 1)].clear();
}

void ShortcutSlots::bind(int slot, const QString& listName, const settings::IniSettings& settings)
{
    if (!validSlot(slot))
        return;
    m_names[size_t(slot - 1)] = listName;
    (void)settings.write(settings::keys::kSectionShortcuts, settings::keys::shortcutKey(slot),
                         listName);
}

void ShortcutSlots::unbind(int slot, const settings::IniSettings& settings)
{
    if (!validSlot(slot))
        return;
    m_names[size_t(slot - 1)].clear();
    (void)settings.write(settings::keys::kSectionShortcuts, settings::keys::shortcutKey(slot),
                         settings::keys::kUnbound);
}

} // namespace tolvane::broadcast
