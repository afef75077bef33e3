#pragma once

#include "broadcast/ShortcutSlots.h"
#include "platform/Result.h"
#include "settings/IniSettings.h"

#include <QObject>

#include <array>

namespace tolvane::console {

class MessageListService;

// The six shortcut bindings and their section SCBn of the settings file. A binding
// changed by the console or by hand in the file is signalled slot by slot.
class ShortcutService : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSlotCount = broadcast::ShortcutSlots::kSlotCount;

    // `lists` outlives the service: a stored name binds only when it finds a list.
    ShortcutService(settings::IniSettings settings, const MessageListService& lists,
                    QObject* parent = nullptr);

    // Reads the six bindings (at start-up) and signals every slot; nothing is logged.
    void LoadShortcutBindings();

    QString boundName(int slot) const { return m_slots.boundName(slot); }
    bool isBound(int slot) const { return m_slots.isBound(slot); }

    platform::Result<void> bind(int slot, const QString& listName);
    platform::Result<void> unbind(int slot);
    // A press found no list: released for this run, the file keeps the name.
    void unbindInMemory(int slot);

    // The file watcher's call after the settings file changed on disk: a slot whose
    // stored name changed by hand is bound by the start-up rule and logged.
    void reload();

Q_SIGNALS:
    // A slot's bound list name changed (empty: unbound).
    void bindingChanged(int slot, const QString& boundName);
    // A line for the operator's log.
    void logged(const QString& text);

private:
    void setBinding(int slot, const QString& boundName);
    void rereadStored(int slot);

    settings::IniSettings m_settings;
    const MessageListService& m_lists;
    broadcast::ShortcutSlots m_slots;
    // What the file holds for each slot, as last read or written.
    std::array<QString, kSlotCount> m_stored;
};

} // namespace tolvane::console
