// SPDX-License-Identifier: MIT
#include "settings/named_settings.h"

#include "settings/ini_file.h"
#include "settings/program_settings.h"

namespace settings {

namespace {

bool filled(const QString& name) {
    return name != NotSet;
}

} // namespace

int slotToOverwrite(const SlotNames& names, const QString& typedName) {
    const QString wanted = typedName.trimmed();
    for (int slot = SavedSlotCount; slot >= 1; --slot) {
        if (filled(names[slot - 1]) && names[slot - 1].compare(wanted, Qt::CaseInsensitive) == 0)
            return slot;
    }
    return 0;
}

QList<int> slotsToShift(const SlotNames& names) {
    QList<int> shifted;
    for (int slot = SavedSlotCount - 1; slot >= 1; --slot) {
        if (filled(names[slot - 1]))
            shifted << slot;
    }
    return shifted;
}

int slotToRestore(const SlotNames& names, const QString& name) {
    for (int slot = 1; slot <= SavedSlotCount; ++slot) {
        if (filled(names[slot - 1]) && names[slot - 1] == name)
            return slot;
    }
    return 0;
}

QStringList filledNames(const SlotNames& names) {
    QStringList list;
    for (const QString& name : names) {
        if (filled(name))
            list << name.trimmed();
    }
    return list;
}

SlotNames readSlotNames() {
    SlotNames names;
    for (int slot = 1; slot <= SavedSlotCount; ++slot)
        names[slot - 1] = ReadIni(savedSettingsSection(slot), QStringLiteral("Name"));
    return names;
}

bool saveNamedSettings(const QString& typedName, const WindowSettings& settings) {
    const QString name = typedName.trimmed();
    // A set stored as "NOT SET" would read as an empty slot.
    if (name.isEmpty() || name == NotSet)
        return true;
    const SlotNames names = readSlotNames();
    bool written = true;
    int target = slotToOverwrite(names, name);
    if (target == 0) {
        for (int slot : slotsToShift(names)) {
            const QString from = savedSettingsSection(slot);
            const QString to = savedSettingsSection(slot + 1);
            for (const QString& key : slotKeys())
                written = WriteIni(to, key, ReadIni(from, key)) && written;
        }
        target = 1;
    }
    const QString section = savedSettingsSection(target);
    written = WriteIni(section, QStringLiteral("Name"), name) && written;
    for (const auto& [key, value] : keyValues(settings))
        written = WriteIni(section, key, value) && written;
    return written;
}

QString restoreSection(const QString& name) {
    if (name.isEmpty())
        return DefaultSection;
    const int slot = slotToRestore(readSlotNames(), name);
    return slot > 0 ? savedSettingsSection(slot) : DefaultSection;
}

} // namespace settings
