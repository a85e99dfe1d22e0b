// SPDX-License-Identifier: MIT
#include "scan/frm_scan_quit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace scan {

// A dialog of its owner, modal to it: the window system keeps it above the main window, which
// cannot come in front of it.
frmScanQuit::frmScanQuit(QWidget* owner) : QWidget(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setWindowModality(Qt::WindowModal);
    setObjectName(QStringLiteral("frmScanQuit"));
    setAutoFillBackground(true);
    lblTitle = new QLabel(QStringLiteral("ACTIVE SCAN !!"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblText =
        new QLabel(QStringLiteral("A scan is active !! Are you sure you want to quit ?"), this);
    lblText->setObjectName(QStringLiteral("lblText"));
    cmdYes = new QPushButton(QStringLiteral("Yes"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdCancel = new QPushButton(QStringLiteral("No"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdYes);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle, 0, Qt::AlignHCenter);
    layout->addWidget(lblText);
    layout->addLayout(buttons);
    setStyleSheet(QStringLiteral("scan--frmScanQuit { border: 1px solid palette(dark); }"));
    adjustSize();

    connect(cmdYes, &QPushButton::clicked, this, [this] { answer(true); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { answer(false); });
    cmdYes->installEventFilter(this);
    cmdCancel->installEventFilter(this);
}

void frmScanQuit::answer(bool yes) {
    emit answered(yes);
    hide();
}

// Esc released on either button answers No.
bool frmScanQuit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        answer(false);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace scan
