// SPDX-License-Identifier: MIT
#include "app/frm_scan_restore.h"

#include "app/msg_box.h"
#include "display/widget_twips.h"
#include "recording/scan_library.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

namespace app {

namespace {

constexpr int Margin = 120; // twips
constexpr int MaxWidthPixels = 900;

template <typename T>
T* place(T* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    display::setTwipsRect(widget, QRect(left, top, width, height));
    return widget;
}

} // namespace

frmScanRestore::frmScanRestore(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("frmScanRestore"));
    setWindowTitle(QStringLiteral("Restore Saved Scan"));
    resize(display::toPixels(4800), display::toPixels(4500));
    lblTitle = place(new QLabel(QStringLiteral("Restore Saved Scan"), this), "lblTitle", Margin, 60,
                     4560, 315);
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblTitle->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lstScans = new QListWidget(this);
    lstScans->setObjectName(QStringLiteral("lstScans"));
    lstScans->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstScans->viewport()->installEventFilter(this);
    picBack = place(new QWidget(this), "picBack", 0, 3900, 4800, 600);
    cmdOpenScan =
        place(new QPushButton(QStringLiteral("Open"), picBack), "cmdOpenScan", 600, 120, 1455, 375);
    cmdCancel = place(new QPushButton(QStringLiteral("Cancel"), picBack), "cmdCancel", 2745, 120,
                      1455, 375);
    mnuScanList = new QMenu(this);
    mnuScanList->setObjectName(QStringLiteral("mnuScanList"));
    mnuDeleteScans = mnuScanList->addAction(QStringLiteral("Delete Scan(s)"));
    mnuDeleteScans->setObjectName(QStringLiteral("mnuDeleteScans"));

    connect(cmdOpenScan, &QPushButton::clicked, this, &frmScanRestore::cmdOpenScan_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmScanRestore::cmdCancel_Click);
    connect(lstScans, &QListWidget::itemDoubleClicked, this, &frmScanRestore::lstScans_DblClick);
    connect(mnuDeleteScans, &QAction::triggered, this, &frmScanRestore::mnuDeleteScans_Click);
}

void frmScanRestore::Form_Load(const QString& dataFolder) {
    m_dataFolder = dataFolder;
    FillScanList();
    // Wide enough for the longest line, within reason; the list takes the window's width.
    const int margins = 2 * display::toPixels(Margin) + 2 * lstScans->frameWidth() + 24;
    const int wanted = lstScans->sizeHintForColumn(0) + margins;
    resize(std::clamp(wanted, width(), MaxWidthPixels), height());
    placeList();
}

// Newest first: default names begin with the date and time. Each name has its scan's start,
// duration and loop count beside it; the item keeps the bare name.
void frmScanRestore::FillScanList() {
    lstScans->clear();
    const QDir folder(m_dataFolder);
    for (const QString& name : recording::FillScanList(m_dataFolder)) {
        const QString summary = recording::scanSummary(folder.filePath(name));
        auto* item = new QListWidgetItem(
            summary.isEmpty() ? name : name + QStringLiteral("   ") + summary, lstScans);
        item->setData(ScanNameRole, name);
    }
}

QString frmScanRestore::scanName(const QListWidgetItem* item) {
    return item ? item->data(ScanNameRole).toString() : QString();
}

// The list lies 120 twips in from either side, under the title, down to the button panel.
void frmScanRestore::placeList() {
    const int windowWidth = width() * display::TwipsPerPixel;
    const int panelHeight = display::twHeight(picBack);
    display::setTwipsRect(picBack, QRect(0, height() * display::TwipsPerPixel - panelHeight,
                                         windowWidth, panelHeight));
    const int top = display::twBottom(lblTitle);
    display::setTwipsRect(
        lstScans, QRect(Margin, top, windowWidth - 2 * Margin, display::twTop(picBack) - top));
}

void frmScanRestore::resizeEvent(QResizeEvent* event) {
    placeList();
    QWidget::resizeEvent(event);
}

void frmScanRestore::cmdOpenScan_Click() {
    const QString name = scanName(lstScans->currentItem());
    hide();
    emit chosen(name);
}

void frmScanRestore::cmdCancel_Click() {
    hide();
    emit chosen(QString());
}

// Closing the list from its frame is Cancel.
void frmScanRestore::closeEvent(QCloseEvent* event) {
    event->ignore();
    cmdCancel_Click();
}

void frmScanRestore::lstScans_DblClick() {
    if (lstScans->selectedItems().size() == 1)
        cmdOpenScan_Click();
}

bool frmScanRestore::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstScans->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        lstScans_MouseUp(mouse->button(), mouse->globalPosition().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

void frmScanRestore::lstScans_MouseUp(Qt::MouseButton button, QPoint at) {
    if (button == Qt::RightButton && lstScans->count() > 0 && !lstScans->selectedItems().isEmpty())
        mnuScanList->popup(at);
}

void frmScanRestore::mnuDeleteScans_Click() {
    QStringList marked;
    for (int row = 0; row < lstScans->count(); ++row)
        if (lstScans->item(row)->isSelected())
            marked << scanName(lstScans->item(row));
    if (marked.isEmpty() || MsgBox(recording::deletionQuestion(marked), MsgBoxButtons::YesNo,
                                   QStringLiteral("Confirm Deletion")) != MsgBoxAnswer::Yes)
        return;
    // Only names from the list, and only inside the Data folder, are ever deleted.
    const QStringList kept = recording::deleteScans(m_dataFolder, marked);
    for (int row = lstScans->count() - 1; row >= 0; --row) {
        const QString name = scanName(lstScans->item(row));
        if (marked.contains(name) && !kept.contains(name))
            delete lstScans->takeItem(row);
    }
    if (!kept.isEmpty())
        MsgBox(QStringLiteral("These scans could not be deleted:\r\n\r\n") +
                   kept.join(QStringLiteral("\r\n")),
               MsgBoxButtons::Ok, QStringLiteral("Filesystem Error"));
}

} // namespace app
