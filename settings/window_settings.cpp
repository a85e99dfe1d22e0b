// SPDX-License-Identifier: MIT
#include "settings/window_settings.h"

#include "core/conventions.h"
#include "settings/ini_file.h"
#include "settings/program_settings.h"

#include <algorithm>

namespace settings {

namespace {

QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

int wholeNumberIn(double value, IntRange range) {
    return int(core::roundHalfEven(std::clamp(value, double(range.min), double(range.max))));
}

} // namespace

QString savedSettingsSection(int slot) {
    return QStringLiteral("SavedSettings") + QString::number(slot);
}

QList<QPair<QString, QString>> keyValues(const WindowSettings& s) {
    return {
        {QStringLiteral("LUL"), QString::number(s.LUL)},
        {QStringLiteral("LLL"), QString::number(s.LLL)},
        {QStringLiteral("FUL"), QString::number(s.FUL)},
        {QStringLiteral("FLL"), QString::number(s.FLL)},
        {QStringLiteral("Mode"), flag(s.Mode)},
        {QStringLiteral("Peak"), flag(s.Peak)},
        {QStringLiteral("Average"), flag(s.Average)},
        {QStringLiteral("Spectrum"), flag(s.Spectrum)},
        {QStringLiteral("Channel"), flag(s.Channel)},
        {QStringLiteral("AutoSaveScan"), flag(s.AutoSaveScan)},
        {QStringLiteral("Legend"), flag(s.Legend)},
    };
}

const QStringList& slotKeys() {
    static const QStringList keys = [] {
        QStringList list{QStringLiteral("Name")};
        for (const auto& [key, value] : keyValues(WindowSettings{}))
            list << key;
        return list;
    }();
    return keys;
}

Switch switchFrom(const QString& text) {
    if (core::Val(text) == 1)
        return Switch::On;
    return text == QLatin1String("0") ? Switch::Off : Switch::Leave;
}

std::optional<int> levelLimitFrom(const QString& text, IntRange range) {
    const double value = core::Val(text);
    if (value == 0)
        return std::nullopt;
    return wholeNumberIn(value, range);
}

int freqLimitFrom(const QString& text, int fallback) {
    const double value = core::Val(text);
    return value > 0 ? wholeNumberIn(value, FreqLimitRange) : fallback;
}

bool legendFrom(const QString& text) {
    return core::Val(text) == 1;
}

RestorePlan readRestorePlan(const QString& section) {
    const auto read = [&section](const char* key) {
        return ReadIni(section, QString::fromLatin1(key));
    };
    RestorePlan plan;
    plan.LUL = levelLimitFrom(read("LUL"), UpperLevelRange);
    plan.LLL = levelLimitFrom(read("LLL"), LowerLevelRange);
    plan.FUL = freqLimitFrom(read("FUL"), UpperFreqFallback);
    plan.FLL = freqLimitFrom(read("FLL"), LowerFreqFallback);
    plan.Mode = switchFrom(read("Mode"));
    plan.Channel = switchFrom(read("Channel"));
    plan.Spectrum = switchFrom(read("Spectrum"));
    plan.Peak = switchFrom(read("Peak"));
    plan.Average = switchFrom(read("Average"));
    plan.AutoStartScan = switchFrom(read("AutoStartScan"));
    plan.AutoSaveScan = switchFrom(read("AutoSaveScan"));
    plan.Legend = legendFrom(read("Legend"));
    plan.Forever = switchFrom(read("Forever"));
    return plan;
}

} // namespace settings
