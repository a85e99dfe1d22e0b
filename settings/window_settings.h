// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// The main window's settings as the settings file keeps them: the sections and keys, the ranges
// of the controls they go into, and the rules by which a stored text is read back.
namespace settings {

inline const QString ProgramSection = QStringLiteral("Program");
inline const QString DefaultSection = QStringLiteral("DefaultSettings");
constexpr int SavedSlotCount = 10;
// "SavedSettings1" ... "SavedSettings10": slot 1 holds the newest named set.
QString savedSettingsSection(int slot);

struct IntRange {
    int min;
    int max;
};

// The limit controls: dBm for the level limits, a position 1 ... 3 for the frequency limits.
constexpr IntRange UpperLevelRange{-100, -35};
constexpr IntRange LowerLevelRange{-120, -105};
constexpr IntRange FreqLimitRange{1, 3};
constexpr int DesignUpperLevel = -40;
constexpr int DesignLowerLevel = -120;
// Positions that the frequency limits take when nothing usable is stored: 927.6 and 902.2 MHz.
constexpr int UpperFreqFallback = 1;
constexpr int LowerFreqFallback = 3;

// What the window stores, as its controls hold it.
struct WindowSettings {
    int LUL = DesignUpperLevel;
    int LLL = DesignLowerLevel;
    int FUL = UpperFreqFallback;
    int FLL = LowerFreqFallback;
    bool Mode = false; // line graph
    bool Peak = true;
    bool Average = true;
    bool Spectrum = true;
    bool Channel = false;
    bool AutoSaveScan = false;
    bool Legend = false;
};

// The keys and texts in the order they are written: LUL, LLL, FUL, FLL, Mode, Peak, Average,
// Spectrum, Channel, AutoSaveScan, Legend. A named slot holds "Name" and then these keys.
QList<QPair<QString, QString>> keyValues(const WindowSettings& settings);
const QStringList& slotKeys();

// What a stored "0"/"1" does to a check box or flag. Only "1" switches on and only "0" (what the
// program writes) switches off; anything else, "NOT SET" included, leaves it as it is.
enum class Switch { Leave, On, Off };
Switch switchFrom(const QString& text);

// A level limit: the numeric value as a whole number clamped to the range, or nullopt (leave the
// control) when the value is 0, as it is for "NOT SET" and text that is not a number.
std::optional<int> levelLimitFrom(const QString& text, IntRange range);

// A frequency limit position: the numeric value when above 0, as a whole number clamped to the
// range; the fallback otherwise.
int freqLimitFrom(const QString& text, int fallback);

// The legend shows for "1" only.
bool legendFrom(const QString& text);

// What restoring a section does, key by key, in the order it is applied: LUL, LLL, FUL, FLL, Mode,
// Channel, Spectrum, Peak, Average, AutoStartScan, AutoSaveScan, Legend, Forever.
struct RestorePlan {
    std::optional<int> LUL;
    std::optional<int> LLL;
    int FUL = UpperFreqFallback;
    int FLL = LowerFreqFallback;
    Switch Mode = Switch::Leave;
    Switch Channel = Switch::Leave;
    Switch Spectrum = Switch::Leave;
    Switch Peak = Switch::Leave;
    Switch Average = Switch::Leave;
    Switch AutoStartScan = Switch::Leave;
    Switch AutoSaveScan = Switch::Leave;
    bool Legend = false;
    Switch Forever = Switch::Leave;
};

// Read from the program's settings file.
RestorePlan readRestorePlan(const QString& section);

} // namespace settings
