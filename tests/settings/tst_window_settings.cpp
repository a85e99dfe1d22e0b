// SPDX-License-Identifier: MIT
// How stored settings texts are read back into the window's controls, and which of the ten named
// slots a save fills.
#include "settings/ini_file.h"
#include "settings/named_settings.h"
#include "settings/window_settings.h"

#include <QTest>

using namespace settings;

Q_DECLARE_METATYPE(settings::Switch)

namespace {

// "A,,C" gives slots 1 ... 3 named A, empty, C and the rest empty.
SlotNames slotNames(const QString& list) {
    SlotNames names;
    names.fill(NotSet);
    const QStringList given = list.split(QLatin1Char(','));
    for (int i = 0; i < given.size() && i < SavedSlotCount; ++i) {
        if (!given[i].isEmpty())
            names[i] = given[i];
    }
    return names;
}

} // namespace

class TestWindowSettings : public QObject {
    Q_OBJECT

private slots:
    void checkBoxesSwitchOnForOneAndOffOnlyForZero_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Switch>("expected");
        QTest::newRow("1") << "1" << Switch::On;
        QTest::newRow("1.0") << "1.0" << Switch::On;
        QTest::newRow("0") << "0" << Switch::Off;
        QTest::newRow("NOT SET") << NotSet << Switch::Leave;
        QTest::newRow("2") << "2" << Switch::Leave;
        QTest::newRow("-1") << "-1" << Switch::Leave;
        QTest::newRow("yes") << "yes" << Switch::Leave;
    }
    void checkBoxesSwitchOnForOneAndOffOnlyForZero() {
        QFETCH(QString, text);
        QTEST(switchFrom(text), "expected");
        QCOMPARE(legendFrom(text), switchFrom(text) == Switch::On);
    }

    void limitsAreReadAsWholeNumbersWithinTheControlsRange_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("upperLevel"); // 0: the control is left as it is
        QTest::addColumn<int>("lowerLevel");
        QTest::addColumn<int>("upperFreq");
        QTest::addColumn<int>("lowerFreq");
        QTest::newRow("NOT SET") << NotSet << 0 << 0 << 1 << 3;
        QTest::newRow("not a number") << "abc" << 0 << 0 << 1 << 3;
        QTest::newRow("in range") << "-60" << -60 << -105 << 1 << 3;
        QTest::newRow("halves to even") << "-57.5" << -58 << -105 << 1 << 3;
        QTest::newRow("2.5") << "2.5" << -35 << -105 << 2 << 2;
        QTest::newRow("far above") << "1e30" << -35 << -105 << 3 << 3;
        QTest::newRow("far below") << "-1e30" << -100 << -120 << 1 << 3;
    }
    void limitsAreReadAsWholeNumbersWithinTheControlsRange() {
        QFETCH(QString, text);
        QTEST(levelLimitFrom(text, UpperLevelRange).value_or(0), "upperLevel");
        QTEST(levelLimitFrom(text, LowerLevelRange).value_or(0), "lowerLevel");
        QTEST(freqLimitFrom(text, UpperFreqFallback), "upperFreq");
        QTEST(freqLimitFrom(text, LowerFreqFallback), "lowerFreq");
    }

    void savingANameChoosesItsSlot_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("overwritten");    // 0: a new set in slot 1
        QTest::addColumn<QList<int>>("shifted"); // copied one slot down first, in this order
        // clang-format off
        QTest::newRow("empty file") << "" << "Site A" << 0 << QList<int>{};
        QTest::newRow("highest of twins") << "x,y,X" << "x" << 3 << QList<int>{};
        QTest::newRow("a gap closes") << "A,,C" << "D" << 0 << QList<int>{3, 1};
        QTest::newRow("not an empty slot") << "A" << "not set" << 0 << QList<int>{1};
        // clang-format on
    }
    void savingANameChoosesItsSlot() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        const int slot = slotToOverwrite(slotNames(stored), typed);
        QTEST(slot, "overwritten");
        QTEST(slot == 0 ? slotsToShift(slotNames(stored)) : QList<int>{}, "shifted");
    }
};

QTEST_GUILESS_MAIN(TestWindowSettings)
#include "tst_window_settings.moc"
