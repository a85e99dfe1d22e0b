// SPDX-License-Identifier: MIT
#include "core/conventions.h"
#include "tests/support/decimal_comma_locale.h"

#include <QScopeGuard>
#include <QTest>

#include <cfenv>
#include <clocale>
#include <cmath>
#include <ctime>

using namespace core;

class TestConventions : public QObject {
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
        QTest::newRow("number after text") << "dB 12" << 0.0;
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
        QTest::newRow("channel") << 902.2 << "902.2" << "902.2";
        QTest::newRow("f10 division") << 9276 / 10.0 << "927.6" << "927.6";
        QTest::newRow("small") << 5.0 << "005.0" << "05.0";
        QTest::newRow("average") << 85.4 << "085.4" << "85.4";
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
        QTest::newRow("hours minutes seconds") << 3725.0 << "1h 2m 5s";
        QTest::newRow("all parts") << 90061.0 << "1d 1h 1m 1s";
        QTest::newRow("minute and second") << 61.0 << "1m 1s";
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
};

QTEST_APPLESS_MAIN(TestConventions)
#include "tst_conventions.moc"
