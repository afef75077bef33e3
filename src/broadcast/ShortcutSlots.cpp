#include "broadcast/ShortcutSlots.h"

#include "broadcast/MessageListStore.h"
#include "settings/IniSettings.h"
#include "settings/SettingsKeys.h"

namespace tolvane::broadcast {

using platform::FileError;
using platform::Result;

namespace {
FileError noSuchSlot(int slot)
{
    return {
        FileError::Kind::InvalidName, QString::number(slot), {}, QStringLiteral("no such slot")};
}
} // namespace

void ShortcutSlots::LoadShortcutBindings(const settings::IniSettings& settings,
                                         const QStringList& entries)
{
    for (int slot = 1; slot <= kSlotCount; ++slot)
        restore(slot, storedName(settings, slot), entries);
}

QString ShortcutSlots::storedName(const settings::IniSettings& settings, int slot)
{
    return settings.read(settings::keys::kSectionShortcuts, settings::keys::shortcutKey(slot),
                         settings::keys::kUnbound);
}

void ShortcutSlots::restore(int slot, const QString& stored, const QStringList& entries)
{
    if (!validSlot(slot))
        return;
    // A name that finds nothing (including an empty one) leaves the slot unbound.
    m_names[size_t(slot - 1)] =
        (!stored.isEmpty() && FindListByName(entries, stored) >= 0) ? stored : QString();
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

Result<void> ShortcutSlots::bind(int slot, const QString& listName,
                                 const settings::IniSettings& settings)
{
    if (!validSlot(slot))
        return noSuchSlot(slot);
    m_names[size_t(slot - 1)] = listName;
    return settings.write(settings::keys::kSectionShortcuts, settings::keys::shortcutKey(slot),
                          listName);
}

Result<void> ShortcutSlots::unbind(int slot, const settings::IniSettings& settings)
{
    if (!validSlot(slot))
        return noSuchSlot(slot);
    m_names[size_t(slot - 1)].clear();
    return settings.write(settings::keys::kSectionShortcuts, settings::keys::shortcutKey(slot),
                          settings::keys::kUnbound);
}

} // namespace tolvane::broadcast
