// SPDX-License-Identifier: MIT
#pragma once

#include "settings/window_settings.h"

#include <QList>
#include <QString>

#include <array>

// The ten named sets of settings in the sections SavedSettings1 ... SavedSettings10, slot 1 the
// newest. A slot whose "Name" reads "NOT SET" is empty.
namespace settings {

// The stored names of slots 1 ... 10, "NOT SET" for an empty slot.
using SlotNames = std::array<QString, SavedSlotCount>;

// The slot (1 ... 10) that saving under the name overwrites: the highest filled slot whose name
// equals the trimmed name without regard to case; 0 when there is none and a new set goes to
// slot 1.
int slotToOverwrite(const SlotNames& names, const QString& typedName);

// Before a new set goes to slot 1: the filled slots among 9 ... 1, in that order, each copied to
// the slot after it. Slot 10 is lost; an empty slot is not copied, so a gap closes up.
QList<int> slotsToShift(const SlotNames& names);

// The filled slot whose name equals the name exactly (case and all); 0 when none does.
int slotToRestore(const SlotNames& names, const QString& name);

// The names of the filled slots, in slot order, trimmed.
QStringList filledNames(const SlotNames& names);

// From the program's settings file.
SlotNames readSlotNames();

// Saves the settings under the name (trimmed): over the slot of the same name, or into slot 1
// after moving the others down. An empty name, or "NOT SET", saves nothing. False when a write
// failed.
bool saveNamedSettings(const QString& typedName, const WindowSettings& settings);

// The section a restore by this name reads: the slot of that exact name, else "DefaultSettings"
// (also for an empty name).
QString restoreSection(const QString& name);

} // namespace settings
