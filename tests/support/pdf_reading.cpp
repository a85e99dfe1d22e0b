// SPDX-License-Identifier: MIT
#include "tests/support/pdf_reading.h"

#include "tests/support/program_process.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace testing {

void readPdf(const QString& path, PdfReading& reading) {
    reading = {};
    {
        ProgramProcess info(QStringLiteral("pdfinfo"), {path});
        QCOMPARE(info.finish(), 0);
        const QRegularExpressionMatch pages =
            QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"),
                               QRegularExpression::MultilineOption)
                .match(info.output());
        QVERIFY2(pages.hasMatch(), qPrintable(info.output()));
        reading.Pages = pages.captured(1).toInt();
    }
    {
        ProgramProcess text(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
        QCOMPARE(text.finish(), 0);
        reading.Text = text.output().simplified();
    }
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    ProgramProcess render(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"), path,
                           folder.filePath(QStringLiteral("page"))});
    QCOMPARE(render.finish(), 0);
    const QStringList pages =
        QDir(folder.path()).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name);
    QCOMPARE(pages.size(), reading.Pages);
    for (const QString& name : pages) {
        const QImage page = QImage(folder.filePath(name)).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!page.isNull(), qPrintable(name));
        qint64 ink = 0;
        for (int y = 0; y < page.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
            for (int x = 0; x < page.width(); ++x)
                ink += (line[x] & 0xffffff) != 0xffffff;
        }
        reading.Ink << ink;
    }
}

} // namespace testing
