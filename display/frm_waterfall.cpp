// SPDX-License-Identifier: MIT
#include "display/frm_waterfall.h"

#include "display/picture_file.h"
#include "display/waterfall_view.h"
#include "survey/level_codes.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace display {

namespace {

// Resizing re-reads the scan for the new number of rows once the size has settled.
constexpr int RerenderDelayMs = 100;

const QString HoverHint = QStringLiteral("Point at the waterfall for a reading; click a row to "
                                         "show its loop.");

QString codeText(unsigned char code) {
    if (survey::isLevelCode(code))
        return QStringLiteral("%1 dBm").arg(survey::levelDbm(code));
    switch (code) {
    case survey::NoReadingCode:
        return QStringLiteral("no reading");
    case scan::GroupOffCode:
        return QStringLiteral("group off");
    default:
        return QStringLiteral("outside the limits");
    }
}

} // namespace

frmWaterfall::frmWaterfall(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmWaterfall"));
    setWindowTitle(QStringLiteral("Waterfall"));
    view = new WaterfallView(this);
    view->setObjectName(QStringLiteral("view"));
    lblHover = new QLabel(HoverHint, this);
    lblHover->setObjectName(QStringLiteral("lblHover"));
    lblHover->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdSavePicture = new QPushButton(QStringLiteral("Save Picture"), this);
    cmdSavePicture->setObjectName(QStringLiteral("cmdSavePicture"));
    m_rerender = new QTimer(this);
    m_rerender->setSingleShot(true);
    m_rerender->setInterval(RerenderDelayMs);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblHover, 1);
    bottom->addWidget(cmdSavePicture);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view, 1);
    layout->addLayout(bottom);
    resize(820, 620);
    layout->activate();

    connect(cmdSavePicture, &QPushButton::clicked, this, &frmWaterfall::cmdSavePicture_Click);
    connect(view, &WaterfallView::hovered, this, &frmWaterfall::view_Hovered);
    connect(view, &WaterfallView::clicked, this, &frmWaterfall::view_Clicked);
    connect(view, &WaterfallView::plotRowsChanged, m_rerender, qOverload<>(&QTimer::start));
    connect(m_rerender, &QTimer::timeout, this, &frmWaterfall::render);
}

bool frmWaterfall::openScan(const QString& path) {
    m_path = path;
    m_error.clear();
    m_records.close();
    const QFileInfo file(path);
    const bool emptyRecording = file.isFile() && file.size() == 0;
    if (!emptyRecording && !m_reader.open(path)) {
        m_error = m_reader.errorString();
        m_path.clear();
    } else {
        m_records.openForReading(path);
    }
    setWindowTitle(QStringLiteral("Waterfall - ") + file.fileName());
    render();
    return m_error.isEmpty();
}

void frmWaterfall::render() {
    WaterfallImage& waterfall = view->waterfall();
    waterfall.clear(view->plotRows());
    // A recording that was empty when it was opened may hold loops by now.
    if (!m_path.isEmpty() &&
        ((m_reader.isOpen() && m_reader.path() == m_path) || m_reader.open(m_path)))
        waterfall.render(m_reader);
    showTitle();
    view->showWaterfall();
}

void frmWaterfall::appendLoop(const recording::ScanRecord& record) {
    if (m_path.isEmpty())
        return;
    const auto loop = survey::loopOfRecord(record);
    WaterfallImage& waterfall = view->waterfall();
    if (!loop || loop->Number <= waterfall.loops())
        return;
    if (!waterfall.addLoop(*loop)) {
        m_rerender->start();
        return;
    }
    showTitle();
    view->showAddedLoop();
}

void frmWaterfall::showTitle() {
    const QString name =
        m_path.isEmpty() ? QStringLiteral("No scan") : QFileInfo(m_path).fileName();
    view->setTitle(waterfallTitle(name, view->waterfall()));
}

QImage frmWaterfall::picture() const {
    const WaterfallImage& waterfall = view->waterfall();
    const QRect plot = view->pictureLayout().Plot;
    const int columnWidth = std::max(1, plot.width() / waterfall.span().count());
    return waterfallPicture(waterfall, waterfallTitle(QFileInfo(m_path).fileName(), waterfall),
                            plot.height(), columnWidth);
}

QString frmWaterfall::defaultPictureName() const {
    return display::defaultPictureName(m_path, QStringLiteral("waterfall"));
}

bool frmWaterfall::savePicture(const QString& path) {
    QString error;
    if (!savePng(picture(), path, m_path, &error)) {
        showStatus(error);
        return false;
    }
    showStatus(QStringLiteral("Saved ") + path);
    return true;
}

void frmWaterfall::cmdSavePicture_Click() {
    const QString folder = m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Picture"),
                                                      QDir(folder).filePath(defaultPictureName()),
                                                      QStringLiteral("PNG pictures (*.png)"));
    if (!path.isEmpty())
        savePicture(path);
}

void frmWaterfall::showStatus(const QString& text) {
    lblHover->setText(text);
}

QString frmWaterfall::pixelText(int row, int channel) const {
    const WaterfallImage& waterfall = view->waterfall();
    const unsigned char code = waterfall.code(row, channel);
    qint32 loop = waterfall.loopAt(row, channel);
    if (loop == 0)
        loop = qint32(waterfall.firstLoopOfRow(row));
    QString time = waterfall.rowStart(row).text();
    if (const auto record = m_records.readRecord(loop)) {
        if (const auto start = survey::parseLoopTime(record->LoopStartText.trimmed()))
            time = start->text();
    }
    QString loops = QStringLiteral("loop %1").arg(loop);
    if (waterfall.loopsPerRow() > 1) {
        loops += QStringLiteral(" (strongest of loops %1-%2)")
                     .arg(waterfall.firstLoopOfRow(row))
                     .arg(waterfall.lastLoopOfRow(row));
    }
    return QStringLiteral("%1 MHz   %2   %3   %4")
        .arg(scan::frequencyText(scan::channelF10(channel)), time, codeText(code), loops);
}

void frmWaterfall::view_Hovered(int row, int channel) {
    m_hoverText = row >= 0 ? pixelText(row, channel) : QString();
    showStatus(m_hoverText.isEmpty() ? HoverHint : m_hoverText);
    emit hoverTextChanged(m_hoverText);
}

void frmWaterfall::view_Clicked(int row, int channel) {
    const qint32 loop = view->waterfall().loopAt(row, channel);
    emit loopClicked(loop > 0 ? loop : qint32(view->waterfall().firstLoopOfRow(row)));
}

} // namespace display
