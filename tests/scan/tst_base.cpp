// SPDX-License-Identifier: MIT
// The base the program stands on: its number and date conventions (in any locale, rounding mode
// and time zone), the channel plan, the sweep's stepping from channel to channel, and the readings
// it keeps.
#include "core/conventions.h"
#include "scan/channel_plan.h"
#include "scan/channel_state.h"
#include "scan/channel_stepper.h"
#include "scan/readings.h"
#include "tests/support/decimal_comma_locale.h"

#include <QScopeGuard>
#include <QTest>

#include <cfenv>
#include <climits>
#include <clocale>
#include <cmath>
#include <ctime>
#include <numeric>

using namespace core;
using namespace scan;

Q_DECLARE_METATYPE(scan::UpdateOutcome)
Q_DECLARE_METATYPE(scan::ChannelVerdict)

namespace {

QByteArray codes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

QList<int> fields(const ChannelReading& r) {
    return {r.Last, r.Peak, r.Sum, r.Count};
}

QList<int> range(int first, int last) {
    QList<int> indices(last - first + 1);
    std::iota(indices.begin(), indices.end(), first);
    return indices;
}

} // namespace

class TestBase : public QObject {
    Q_OBJECT

private slots:
    // A desktop that writes numbers with a decimal comma changes nothing the program reads or
    // writes: the protocol, the records and the settings are in the C locale's form.
    void numbersReadAndWriteAlikeUnderADecimalCommaLocale() {
        const testing::DecimalCommaLocale locale;
        QVERIFY2(locale.available(), qPrintable(locale.error()));
        const QByteArray saved = std::setlocale(LC_ALL, nullptr);
        const auto restore = qScopeGuard([&] { std::setlocale(LC_ALL, saved.constData()); });
        QVERIFY(locale.applyToThisProcess());
        QCOMPARE(Val(QStringLiteral("902.2")), 902.2);
        QCOMPARE(Val(QByteArrayView("-87.5 dBm")), -87.5);
        QCOMPARE(Val(QStringLiteral("1.5e2")), 150.0);
        QCOMPARE(formatFreq(902.2), QStringLiteral("902.2"));
        QCOMPARE(formatLevel(-5.25), QStringLiteral("-05.3"));
    }

    void valReadsTheLeadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("unit after number") << "12.5dB" << 12.5;
        QTest::newRow("no number") << "NOT SET" << 0.0;
        QTest::newRow("leading blank and sign") << " -87" << -87.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("level text with CR") << "-87\r" << -87.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("stops at second point") << "1.2.3" << 1.2;
        QTest::newRow("fraction without integer") << ".5" << 0.5;
        QTest::newRow("exponent") << "1e3x" << 1000.0;
        QTest::newRow("letter e without digits") << "3eV" << 3.0;
    }
    void valReadsTheLeadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Val(text), value);
        QCOMPARE(Val(QByteArrayView(text.toLatin1())), value);
    }

    void integerConversionsRoundHalvesToEven_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("expected");
        QTest::newRow("12.5") << 12.5 << 12;
        QTest::newRow("13.5") << 13.5 << 14;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("-3.5") << -3.5 << -4;
        QTest::newRow("2.4999") << 2.4999 << 2;
        QTest::newRow("2.5000001") << 2.5000001 << 3;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("index of 902.2 MHz") << (902.2 - 895.8) / 0.2 << 32;
    }
    // Whatever rounding mode the caller left the processor in.
    void integerConversionsRoundHalvesToEven() {
        QFETCH(double, x);
        QFETCH(int, expected);
        const auto restore = qScopeGuard([] { std::fesetround(FE_TONEAREST); });
        for (const int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
            QVERIFY(std::fesetround(mode) == 0);
            QCOMPARE(roundHalfEven(x), double(expected));
            QCOMPARE(CInt(x).value(), expected);
            QCOMPARE(CLng(x).value(), expected);
            QCOMPARE(std::fegetround(), mode);
        }
    }

    void integerConversionsReportOverflow() {
        QCOMPARE(CInt(32767.4).value(), 32767);
        QVERIFY(!CInt(32767.5)); // rounds to 32768
        QCOMPARE(CInt(-32768.5).value(), -32768);
        QVERIFY(!CInt(-32769));
        QCOMPARE(CLng(2147483647.0).value(), 2147483647);
        QVERIFY(!CLng(2147483648.0));
        QVERIFY(!CLng(std::nan("")));
        QVERIFY(!CLng(INFINITY));
    }

    void formats_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<QString>("freq");
        QTest::addColumn<QString>("level");
        // clang-format off
        QTest::newRow("f10 division") << 9276 / 10.0 << "927.6" << "927.6";
        QTest::newRow("small") << 5.0 << "005.0" << "05.0";
        QTest::newRow("rounding") << 85.45 << "085.5" << "85.5";
        QTest::newRow("zero") << 0.0 << "000.0" << "00.0";
        QTest::newRow("negative") << -5.5 << "-005.5" << "-05.5";
        QTest::newRow("past 64-bit tenths") << 1e30 << "1000000000000000019884624838656.0"
                                            << "1000000000000000019884624838656.0";
        QTest::newRow("negative huge") << -2e15 << "-2000000000000000.0" << "-2000000000000000.0";
        QTest::newRow("infinite") << double(INFINITY) << "inf" << "inf";
        QTest::newRow("negative infinite") << -double(INFINITY) << "-inf" << "-inf";
        QTest::newRow("not a number") << std::nan("") << "nan" << "nan";
        // clang-format on
    }
    void formats() {
        QFETCH(double, x);
        QFETCH(QString, freq);
        QFETCH(QString, level);
        QCOMPARE(formatFreq(x), freq);
        QCOMPARE(formatLevel(x), level);
    }

    void dateTimeTextRoundTrips() {
        const QDateTime when(QDate(2026, 3, 7), QTime(8, 5, 9));
        QCOMPARE(dateTimeText(when), QStringLiteral("03-07-2026  08:05:09"));
        QCOMPARE(parseDateTimeText(u" 03-07-2026  08:05:09 ")->time(), QTime(8, 5, 9));
        QVERIFY(!parseDateTimeText(u"Stopped"));
        QVERIFY(!parseDateTimeText(u"13-40-2026  08:05:09"));
    }

    // The texts are wall-clock readings without a zone: they read and subtract alike in a zone
    // with daylight saving, also across its clock changes and inside the hour it skips.
    void elapsedSecondsBetweenTexts_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("seconds"); // -1: cannot be read
        // clang-format off
        QTest::newRow("new year") << "12-31-2026  23:59:30" << "01-01-2027  00:00:45" << 75;
        QTest::newRow("blanks around") << " 03-07-2026  08:05:09" << "03-07-2026  08:05:09" << 0;
        QTest::newRow("across spring forward") << "03-08-2009  01:30:00" << "03-08-2009  03:30:00" << 7200;
        QTest::newRow("inside the skipped hour") << "03-08-2009  01:30:00" << "03-08-2009  02:30:00" << 3600;
        QTest::newRow("inside the repeated hour") << "11-01-2009  00:30:00" << "11-01-2009  01:30:00" << 3600;
        QTest::newRow("empty") << "" << "03-07-2026  08:05:09" << -1;
        // clang-format on
    }
    void elapsedSecondsBetweenTexts() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, seconds);
        const QByteArray savedZone = qgetenv("TZ");
        const auto restore = qScopeGuard([&] {
            savedZone.isNull() ? qunsetenv("TZ") : qputenv("TZ", savedZone);
            tzset();
        });
        qputenv("TZ", "America/New_York");
        tzset();
        QCOMPARE(secondsBetween(from, to).value_or(-1), qint64(seconds));
    }

    void formatElapsed_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("all parts") << 90061.0 << "1d 1h 1m 1s";
        QTest::newRow("whole minute") << 60.0 << "1m ";
        QTest::newRow("whole hour") << 3600.0 << "1h ";
        QTest::newRow("just under an hour") << 3599.0 << "59m 59s";
        QTest::newRow("half a second") << 0.5 << "";
        QTest::newRow("fraction truncated") << 61.9 << "1m 1s";
        QTest::newRow("zero") << 0.0 << "0s";
        QTest::newRow("negative") << -5.0 << "0s";
        QTest::newRow("not a number") << std::nan("") << "0s";
    }
    void formatElapsed() {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(FormatElapsed(seconds), text);
    }

    void indexFromReportedMhz_data() {
        QTest::addColumn<double>("mhz");
        QTest::addColumn<int>("index");
        QTest::newRow("895.8") << 895.8 << 0;
        QTest::newRow("934.0") << 934.0 << 191;
        QTest::newRow("nearest channel") << 896.09 << 1;
        QTest::newRow("outside the plan") << 950.0 << 271;
        QTest::newRow("below the plan") << 800.0 << -479;
        QTest::newRow("absurd: overflows, no index") << 1e12 << INT_MIN;
    }
    void indexFromReportedMhz() {
        QFETCH(double, mhz);
        QFETCH(int, index);
        QCOMPARE(channelIndexFromMhz(mhz).value_or(INT_MIN), index);
    }

    void channelState_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("uncheck"); // -2 lo1, -1 lo2, 0..9 group element, 99 none
        QTest::addColumn<ChannelVerdict>("verdict");
        const auto M = ChannelVerdict::Measure, Off = ChannelVerdict::GroupOff,
                   Out = ChannelVerdict::OutOfRange;
        QTest::newRow("lo1 inside limits") << 0 << 8958 << 9340 << 99 << M;
        QTest::newRow("lo1 unchecked") << 15 << 8958 << 9340 << -2 << Off;
        QTest::newRow("lo1 outside limits, box ignored") << 0 << 9022 << 9276 << -2 << Out;
        QTest::newRow("lo1 outside when low limit 899.0") << 0 << 8990 << 9276 << 99 << Out;
        QTest::newRow("lo2 inside at 899.0") << 16 << 8990 << 9276 << 99 << M;
        QTest::newRow("lo2 unchecked") << 31 << 8990 << 9276 << -1 << Off;
        QTest::newRow("lo2 outside") << 31 << 9022 << 9276 << 99 << Out;
        QTest::newRow("grp1 unchecked") << 47 << 9022 << 9276 << 0 << Off;
        QTest::newRow("grp2 first channel") << 48 << 9022 << 9276 << 1 << Off;
        QTest::newRow("grp8 last channel 927.6") << 159 << 9022 << 9276 << 7 << Off;
        QTest::newRow("hi1 outside") << 160 << 9022 << 9276 << 99 << Out;
        QTest::newRow("hi1 inside") << 160 << 9022 << 9308 << 99 << M;
        QTest::newRow("hi1 unchecked") << 175 << 9022 << 9308 << 8 << Off;
        QTest::newRow("hi2 outside at 930.8") << 176 << 9022 << 9308 << 99 << Out;
        QTest::newRow("hi2 unchecked") << 191 << 9022 << 9340 << 9 << Off;
    }
    void channelState() {
        QFETCH(int, index);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, uncheck);
        QFETCH(ChannelVerdict, verdict);
        GroupBoxes boxes;
        if (uncheck == -2)
            boxes.lowBand1 = false;
        else if (uncheck == -1)
            boxes.lowBand2 = false;
        else if (uncheck < 10)
            boxes.group[uncheck] = false;
        QCOMPARE(ChannelState(index, boxes, FrequencyLimits{low, high}), verdict);
    }

    // A live reading is stored as its magnitude less the attenuation, with its codes; a level of
    // 0 or a channel outside the plan leaves no trace, live or recorded.
    void liveReadingsAreStoredCorrectedOrLeaveNoTrace_data() {
        QTest::addColumn<int>("chan");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("attenuation");
        QTest::addColumn<int>("stored"); // 0: ignored
        QTest::newRow("no attenuation") << 40 << -95 << 0 << 95;
        QTest::newRow("10 dB attenuator") << 40 << -95 << 10 << 85;
        QTest::newRow("negative attenuation ignored") << 40 << -95 << -5 << 95;
        QTest::newRow("positive level") << 40 << 40 << 0 << 40;
        QTest::newRow("attenuation beyond level") << 40 << -30 << 50 << -20;
        QTest::newRow("level 0") << 40 << 0 << 0 << 0;
        QTest::newRow("index below plan") << -1 << -90 << 0 << 0;
        QTest::newRow("index above plan") << 192 << -90 << 0 << 0;
    }
    void liveReadingsAreStoredCorrectedOrLeaveNoTrace() {
        QFETCH(int, chan);
        QFETCH(int, level);
        QFETCH(int, attenuation);
        QFETCH(int, stored);
        ReadingsModel model;
        QCOMPARE(model.UpdateChannelReading(chan, level, attenuation),
                 stored ? UpdateOutcome::Stored : UpdateOutcome::Ignored);
        const LoopCodes& c = model.codes();
        QCOMPARE((QByteArrayList{c.LastCodes, c.PeakCodes, c.AverageCodes}),
                 QByteArrayList(3, stored ? codes({std::abs(stored)}) : QByteArray()));
        int counted = 0;
        for (const ChannelReading& r : model.readings())
            counted += r.Count;
        QCOMPARE(counted, stored ? 1 : 0);
        if (stored)
            QCOMPARE(fields(model.reading(chan)), (QList<int>{stored, stored, stored, 1}));
        else
            QCOMPARE(ReadingsModel::checkRecorded(chan, level), UpdateOutcome::Ignored);
    }

    void peakKeepsTheStrongestAndAverageRoundsDown() {
        ReadingsModel model;
        model.UpdateChannelReading(7, -96, 0);
        model.UpdateChannelReading(7, -95, 0);
        model.UpdateChannelReading(7, -100, 0);
        QCOMPARE(fields(model.reading(7)), (QList<int>{100, 95, 291, 3}));
        // 191 / 2 = 95.5 gives code 95; 291 / 3 = 97
        QCOMPARE(model.codes().AverageCodes, codes({96, 95, 97}));
        QCOMPARE(model.codes().PeakCodes, codes({96, 95, 95}));
    }

    void overflowEndsTheReadingWhereItOccurs() {
        ReadingsModel model;
        // Beyond 16 bits: nothing stored.
        QCOMPARE(model.UpdateChannelReading(1, -40000, 0), UpdateOutcome::Failed);
        QCOMPARE(model.reading(1).Count, 0);
        QCOMPARE(model.UpdateChannelReading(1, std::numeric_limits<qint32>::min(), 0),
                 UpdateOutcome::Failed);
        // A magnitude beyond one byte is stored but yields no code.
        QCOMPARE(model.UpdateChannelReading(2, -300, 0), UpdateOutcome::Failed);
        QCOMPARE(model.reading(2).Last, qint16(300));
        QCOMPARE(model.reading(2).Count, 1);
        QVERIFY(model.codes().LastCodes.isEmpty());
        // The sum that would pass 32 bits stops before the count moves.
        ReadingsModel full;
        for (int i = 0; i < 65538; ++i)
            full.UpdateChannelReading(0, -32767, 0);
        QCOMPARE(full.reading(0).Sum, 2147483646);
        QCOMPARE(full.UpdateChannelReading(0, -32767, 0), UpdateOutcome::Failed);
        QCOMPARE(full.reading(0).Sum, 2147483646);
        QCOMPARE(full.reading(0).Count, 65538);
    }

    // From `from` (0: the first request of a scan) to the next channel to measure: the skip codes
    // appended on the way (all three fields alike), the skipped slots inside the limits drawn
    // empty, and the code lengths at which the plan wrapped and ended a loop.
    void stepperSkipsToTheNextMeasuredChannel_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<QString>("boxes"); // Lo 1, Lo 2, Grp 1 ... Grp 8, Hi 1, Hi 2
        QTest::addColumn<int>("codesBefore");
        QTest::addColumn<int>("next"); // 0: nothing to measure in a whole lap
        QTest::addColumn<QByteArray>("codesAfter");
        QTest::addColumn<QList<int>>("drawn");
        QTest::addColumn<QList<qsizetype>>("loopEnds");
        const QString all(12, '1');
        const QByteArray out32(32, char(OutOfRangeCode));
        // clang-format off
        QTest::newRow("start limits skip the low bands, outside: not drawn")
            << 0 << 9022 << 9276 << all << 0 << 9022 << out32 << QList<int>() << QList<qsizetype>();
        QTest::newRow("Lo 1 shown: the lowest channel first")
            << 0 << 8958 << 9340 << all << 0 << 8958 << QByteArray() << QList<int>() << QList<qsizetype>();
        QTest::newRow("a switched-off group inside the limits is drawn empty")
            << 9020 << 9022 << 9276 << "110111111111" << 0 << 9054 << QByteArray(16, char(GroupOffCode))
            << range(32, 47) << QList<qsizetype>();
        QTest::newRow("the wrap ends a full loop once")
            << 9276 << 9022 << 9276 << all << 160 << 9022 << out32 << QList<int>() << QList<qsizetype>{192};
        QTest::newRow("wrap after the top channel")
            << 9340 << 8958 << 9340 << all << 0 << 8958 << QByteArray() << QList<int>() << QList<qsizetype>{0};
        // Only "Hi 1" checked, but the upper limit hides it.
        QTest::newRow("nothing to measure stops after one lap")
            << 0 << 9022 << 9276 << "000000000010" << 0 << 0 << QByteArray(1, char(OutOfRangeCode))
            << range(32, 159) << QList<qsizetype>{192};
        // clang-format on
    }
    void stepperSkipsToTheNextMeasuredChannel() {
        QFETCH(int, from);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(QString, boxes);
        QFETCH(int, codesBefore);
        GroupBoxes on;
        on.lowBand1 = boxes[0] == '1';
        on.lowBand2 = boxes[1] == '1';
        for (int g = 0; g < 10; ++g)
            on.group[g] = boxes[2 + g] == '1';
        LoopCodes codes;
        codes.LastCodes = codes.PeakCodes = codes.AverageCodes = QByteArray(codesBefore, 'x');
        QList<int> drawn;
        QList<qsizetype> loopEnds;
        StepHooks hooks;
        hooks.endOfLoop = [&] {
            loopEnds.append(codes.LastCodes.size());
            codes.clear();
        };
        hooks.drawSkipped = [&](int index) { drawn.append(index); };
        QTEST(stepToNextChannel(from, codes, on, {low, high}, hooks).value_or(0), "next");
        QFETCH(QByteArray, codesAfter);
        QCOMPARE((QByteArrayList{codes.LastCodes, codes.PeakCodes, codes.AverageCodes}),
                 QByteArrayList(3, codesAfter));
        QTEST(drawn, "drawn");
        QTEST(loopEnds, "loopEnds");
    }
};

QTEST_APPLESS_MAIN(TestBase)
#include "tst_base.moc"
