#include "broadcast/ShortcutSlots.h"

#include "app/IniSettings.h"
#include "app/SettingsKeys.h"
#include "broadcast/MessageListStore.h"

namespace tolvane::broadcast {

void ShortcutSlots::LoadShortcutBindings(const IniSettings& settings, const QStringList& entries)
{
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const QString name =
            settings.read(keys::kSectionShortcuts, keys::shortcutKey(slot), keys::kUnbound);
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

void ShortcutSlots::bind(int slot, const QString& listName, const IniSettings& settings)
{
    if (!validSlot(slot))
        return;
    m_names[size_t(slot - 1)] = listName;
    settings.write(keys::kSectionShortcuts, keys::shortcutKey(slot), listName);
}

void ShortcutSlots::unbind(int slot, const IniSettings& settings)
{
    if (!validSlot(slot))
        return;
    m_names[size_t(slot - 1)].clear();
    settings.write(keys::kSectionShortcuts, keys::shortcutKey(slot), keys::kUnbound);
}

} // namespace tolvane::broadcast
