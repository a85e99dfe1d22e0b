// SPDX-License-Identifier: MIT
#include "display/display_colors.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace display;

Q_DECLARE_METATYPE(display::GraphMode)

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath(QStringLiteral("KorlanSpecAn.ini"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return path;
}

} // namespace

class TestDisplayColors : public QObject {
    Q_OBJECT

private slots:
    void withoutSettingsFileTheDefaultsShow() {
        QTemporaryDir dir;
        QPalette palette;
        palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(109, 109, 109));
        const settings::IniFile ini(dir.filePath(QStringLiteral("missing.ini")));
        const ActiveColors active = LoadDisplayColors(ini, GraphMode::Bar, palette);
        QCOMPARE(active.Numbers.PlotBackColor, -2147483631);
        QCOMPARE(active.Back, QColor(109, 109, 109)); // the system grey-text colour
        QCOMPARE(active.Last, QColor(Qt::black));
        QCOMPARE(active.Peak, QColor(Qt::red));
        QCOMPARE(active.Average, QColor(Qt::blue));
        QVERIFY(readColorSet(ini, GraphMode::Line) == readColorSet(ini, GraphMode::Bar));
    }

    void eachModeReadsItsOwnKeys_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<GraphMode>("mode");
        QTest::addColumn<QColor>("back");
        QTest::addColumn<QColor>("last");
        QTest::addColumn<QColor>("peak");
        const QColor grey(109, 109, 109);
        const QByteArray greenPeaks = "[DisplayColors]\nBPeak=65280\n";
        QTest::newRow("green bar peaks")
            << greenPeaks << GraphMode::Bar << grey << QColor(Qt::black) << QColor(Qt::green);
        QTest::newRow("line peaks stay red")
            << greenPeaks << GraphMode::Line << grey << QColor(Qt::black) << QColor(Qt::red);
        QTest::newRow("line peaks from their key")
            << greenPeaks + "LPeak=16776960\n"
            << GraphMode::Line << grey << QColor(Qt::black) << QColor(Qt::cyan);
        QTest::newRow("empty background")
            << QByteArray("[DisplayColors]\nLBack=\n") << GraphMode::Line << grey
            << QColor(Qt::black) << QColor(Qt::red);
        QTest::newRow("not a number")
            << QByteArray("[DisplayColors]\nBBack=white\nBPeak=red\n") << GraphMode::Bar
            << QColor(Qt::black) << QColor(Qt::black) << QColor(Qt::black);
        QTest::newRow("beyond 32 bits")
            << QByteArray("[DisplayColors]\nBPeak=99999999999\n") << GraphMode::Bar << grey
            << QColor(Qt::black) << QColor(Qt::red);
    }
    void eachModeReadsItsOwnKeys() {
        QFETCH(QByteArray, file);
        QFETCH(GraphMode, mode);
        QFETCH(QColor, back);
        QFETCH(QColor, last);
        QFETCH(QColor, peak);
        QTemporaryDir dir;
        QPalette palette;
        palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(109, 109, 109));
        const ActiveColors active =
            LoadDisplayColors(settings::IniFile(writeFile(dir, file)), mode, palette);
        QCOMPARE(active.Back, back);
        QCOMPARE(active.Last, last);
        QCOMPARE(active.Peak, peak);
    }

    void writingAModeStoresOnlyItsFourKeys() {
        QTemporaryDir dir;
        const QByteArray before = "[Program]\nVersion=4\n\n[DisplayColors]\nBPeak=65280\n";
        settings::IniFile ini(writeFile(dir, before));
        const ColorSet line{16777215, 128, 32768, 8388608};
        writeColorSet(ini, GraphMode::Line, line);
        QVERIFY(readColorSet(ini, GraphMode::Line) == line);
        QCOMPARE(readColorSet(ini, GraphMode::Bar).PeakColor, 65280);
        QFile file(ini.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        // In the palette's order: last, average, peak, background.
        QCOMPARE(file.readAll(), before + "LLast=128\nLAverage=8388608\nLPeak=32768\n"
                                          "LBack=16777215\n");
    }
};

QTEST_MAIN(TestDisplayColors)
#include "tst_display_colors.moc"
