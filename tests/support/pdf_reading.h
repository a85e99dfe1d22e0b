// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

namespace testing {

// What poppler's tools make of a PDF, as a reader's viewer or printer would: its pages, their
// text, and the ink on each page rendered at 30 dpi (pixels that are not white).
struct PdfReading {
    int Pages = 0;
    QString Text; // blanks and line ends between words made single blanks
    QList<qint64> Ink;
};

// Reads `path` with pdfinfo, pdftotext and pdftoppm. A program that fails fails the test, with
// what it said; the caller returns when QTest::currentTestFailed().
void readPdf(const QString& path, PdfReading& reading);

} // namespace testing
