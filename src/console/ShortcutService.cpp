#include "console/ShortcutService.h"

#include "console/MessageListService.h"
#include "settings/SettingsKeys.h"

namespace tolvane::console {

using namespace Qt::StringLiterals;
using platform::Result;

ShortcutService::ShortcutService(settings::IniSettings settings, const MessageListService& lists,
                                 QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_lists(lists)
{}

void ShortcutService::LoadShortcutBindings()
{
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        m_stored[size_t(slot - 1)] = broadcast::ShortcutSlots::storedName(m_settings, slot);
        m_slots.restore(slot, m_stored[size_t(slot - 1)], m_lists.names());
        Q_EMIT bindingChanged(slot, m_slots.boundName(slot));
    }
}

Result<void> ShortcutService::bind(int slot, const QString& listName)
{
    Result<void> written = m_slots.bind(slot, listName, m_settings);
    rereadStored(slot);
    Q_EMIT bindingChanged(slot, m_slots.boundName(slot));
    return written;
}

Result<void> ShortcutService::unbind(int slot)
{
    Result<void> written = m_slots.unbind(slot, m_settings);
    rereadStored(slot);
    Q_EMIT bindingChanged(slot, m_slots.boundName(slot));
    return written;
}

void ShortcutService::unbindInMemory(int slot)
{
    m_slots.unbindInMemory(slot);
    Q_EMIT bindingChanged(slot, m_slots.boundName(slot));
}

void ShortcutService::rereadStored(int slot)
{
    if (broadcast::ShortcutSlots::validSlot(slot))
        m_stored[size_t(slot - 1)] = broadcast::ShortcutSlots::storedName(m_settings, slot);
}

void ShortcutService::reload()
{
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        const QString stored = broadcast::ShortcutSlots::storedName(m_settings, slot);
        if (stored == m_stored[size_t(slot - 1)])
            continue;
        m_stored[size_t(slot - 1)] = stored;
        m_slots.restore(slot, stored, m_lists.names());
        const QString bound = m_slots.boundName(slot);
        const QString head = u"外部変更 短縮ボタン（"_s + QString::number(slot) + u"）"_s;
        if (!bound.isEmpty())
            Q_EMIT logged(head + u"「"_s + bound + u"」"_s);
        else if (stored == settings::keys::kUnbound)
            Q_EMIT logged(head + u"解除"_s);
        else
            Q_EMIT logged(head + u"「"_s + stored + u"」：メッセージリストがみつかりません"_s);
        Q_EMIT bindingChanged(slot, bound);
    }
}

} // namespace tolvane::console
