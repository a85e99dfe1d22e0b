// SPDX-License-Identifier: MIT
#include "display/display_colors.h"
#include "tests/support/file_bytes.h"

#include <QTemporaryDir>
#include <QTest>

using namespace display;

Q_DECLARE_METATYPE(display::GraphMode)

namespace {

const QColor Grey(109, 109, 109); // the system grey-text colour of the palettes below

QPalette greyTextPalette() {
    QPalette palette;
    palette.setColor(QPalette::Disabled, QPalette::WindowText, Grey);
    return palette;
}

QList<QColor> backLastPeakAverage(const ActiveColors& c) {
    return {c.Back, c.Last, c.Peak, c.Average};
}

} // namespace

class TestDisplayColors : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString iniWith(const QByteArray& text) {
        const QString path = m_dir.filePath(QStringLiteral("KorlanSpecAn.ini"));
        return testing::writeFile(path, text) ? path : QString();
    }

private slots:
    void withoutSettingsFileTheDefaultsShow() {
        const settings::IniFile ini(m_dir.filePath(QStringLiteral("missing.ini")));
        const ActiveColors active = LoadDisplayColors(ini, GraphMode::Bar, greyTextPalette());
        QCOMPARE(active.Numbers.PlotBackColor, -2147483631);
        QCOMPARE(backLastPeakAverage(active), (QList<QColor>{Grey, Qt::black, Qt::red, Qt::blue}));
        QVERIFY(readColorSet(ini, GraphMode::Line) == readColorSet(ini, GraphMode::Bar));
    }

    void eachModeReadsItsOwnKeys_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<GraphMode>("mode");
        QTest::addColumn<QList<QColor>>("colors"); // back, last, peak, average
        const QByteArray greenPeaks = "[DisplayColors]\nBPeak=65280\n";
        const auto colors = [](const QColor& back, const QColor& peak) {
            return QList<QColor>{back, Qt::black, peak, Qt::blue};
        };
        // clang-format off
        QTest::newRow("green bar peaks") << greenPeaks << GraphMode::Bar << colors(Grey, Qt::green);
        QTest::newRow("line peaks stay red") << greenPeaks << GraphMode::Line << colors(Grey, Qt::red);
        QTest::newRow("line peaks from their key") << greenPeaks + "LPeak=16776960\n"
            << GraphMode::Line << colors(Grey, Qt::cyan);
        QTest::newRow("empty background") << QByteArray("[DisplayColors]\nLBack=\n")
            << GraphMode::Line << colors(Grey, Qt::red);
        QTest::newRow("not a number") << QByteArray("[DisplayColors]\nBBack=white\nBPeak=red\n")
            << GraphMode::Bar << colors(Qt::black, Qt::black);
        QTest::newRow("beyond 32 bits") << QByteArray("[DisplayColors]\nBPeak=99999999999\n")
            << GraphMode::Bar << colors(Grey, Qt::red);
        // clang-format on
    }
    void eachModeReadsItsOwnKeys() {
        QFETCH(QByteArray, file);
        QFETCH(GraphMode, mode);
        const settings::IniFile ini(iniWith(file));
        QTEST(backLastPeakAverage(LoadDisplayColors(ini, mode, greyTextPalette())), "colors");
    }

    void writingAModeStoresOnlyItsFourKeys() {
        const QByteArray before = "[Program]\nVersion=4\n\n[DisplayColors]\nBPeak=65280\n";
        settings::IniFile ini(iniWith(before));
        const ColorSet line{16777215, 128, 32768, 8388608};
        writeColorSet(ini, GraphMode::Line, line);
        QVERIFY(readColorSet(ini, GraphMode::Line) == line);
        QCOMPARE(readColorSet(ini, GraphMode::Bar).PeakColor, 65280);
        // In the palette's order: last, average, peak, background.
        QCOMPARE(testing::fileBytes(ini.path()), before +
                                                     "LLast=128\nLAverage=8388608\nLPeak=32768\n"
                                                     "LBack=16777215\n");
    }
};

QTEST_MAIN(TestDisplayColors)
#include "tst_display_colors.moc"
