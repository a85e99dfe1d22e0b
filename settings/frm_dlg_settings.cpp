// SPDX-License-Identifier: MIT
#include "settings/frm_dlg_settings.h"

#include "settings/named_settings.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

namespace settings {

namespace {

constexpr int TwipsPerPixel = 15;
constexpr int FormWidth = 3600; // twips
constexpr int FormHeight = 3900;
constexpr int NameTop = 2745;
constexpr int BackTop = 3150;
constexpr int MaxNameLength = 99; // what the settings file reads back

template <typename T>
T* placed(T* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
                        height / TwipsPerPixel);
    return widget;
}

} // namespace

frmDlgSettings::frmDlgSettings(QWidget* owner, const WindowSettings& current)
    : QWidget(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::CustomizeWindowHint),
      m_current(current) {
    setObjectName(QStringLiteral("frmDlgSettings"));
    setWindowTitle(QStringLiteral("Program Settings"));
    setFixedSize(FormWidth / TwipsPerPixel, FormHeight / TwipsPerPixel);

    lblTitle = placed(new QLabel(QStringLiteral("Restore Saved Setting's"), this), "lblTitle", 0, 0,
                      FormWidth, 375);
    lblTitle->setAlignment(Qt::AlignCenter);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lstSettings = placed(new QListWidget(this), "lstSettings", 60, 375, FormWidth - 120, 2000);
    lstSettings->setSelectionMode(QAbstractItemView::ExtendedSelection);
    txtSetName = placed(new QLineEdit(this), "txtSetName", 60, NameTop, FormWidth - 120, 315);
    txtSetName->setMaxLength(MaxNameLength);
    picBack = placed(new QWidget(this), "picBack", 0, BackTop, FormWidth, FormHeight - BackTop);
    picBack->setAutoFillBackground(true);
    picBack->setBackgroundRole(QPalette::Mid);
    cmdOK = placed(new QPushButton(QStringLiteral("Restore"), picBack), "cmdOK",
                   FormWidth / 2 - 1155, 180, 1095, 375);
    cmdCancel = placed(new QPushButton(QStringLiteral("Cancel"), picBack), "cmdCancel",
                       FormWidth / 2 + 60, 180, 1095, 375);

    connect(cmdOK, &QPushButton::clicked, this, &frmDlgSettings::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmDlgSettings::cmdCancel_Click);
    connect(txtSetName, &QLineEdit::returnPressed, this, &frmDlgSettings::cmdOK_Click);
    connect(lstSettings, &QListWidget::itemDoubleClicked, this,
            &frmDlgSettings::lstSettings_DblClick);
    lstSettings->installEventFilter(this);
    lstSettings->viewport()->installEventFilter(this);
    txtSetName->installEventFilter(this);
}

void frmDlgSettings::Form_Load() {
    lstSettings->setGeometry(60 / TwipsPerPixel, lblTitle->height(), width() - 120 / TwipsPerPixel,
                             txtSetName->y() - lblTitle->height());
    FillSettingsList();
}

void frmDlgSettings::setMode(Mode mode) {
    m_mode = mode;
    const bool save = mode == Mode::Save;
    lblTitle->setText(save ? QStringLiteral("Save Program Settings")
                           : QStringLiteral("Restore Program Settings"));
    lblTitle->setProperty("Tag", save ? QStringLiteral("SAVE") : QStringLiteral("RESTORE"));
    cmdOK->setText(save ? QStringLiteral("Save") : QStringLiteral("Restore"));
}

void frmDlgSettings::FillSettingsList() {
    lstSettings->clear();
    lstSettings->addItems(filledNames(readSlotNames()));
}

std::optional<QString> frmDlgSettings::pickedName() const {
    const QList<QListWidgetItem*> selected = lstSettings->selectedItems();
    if (selected.size() != 1)
        return std::nullopt;
    return selected.first()->text();
}

void frmDlgSettings::lstSettings_MouseUp(Qt::MouseButton button) {
    if (button != Qt::LeftButton)
        return;
    if (const auto name = pickedName())
        txtSetName->setText(*name);
}

void frmDlgSettings::lstSettings_DblClick() {
    if (m_mode != Mode::Restore)
        return;
    if (const auto name = pickedName()) {
        txtSetName->setText(*name);
        handToRestore(*name);
    }
}

void frmDlgSettings::lstSettings_GotFocus() {
    if (m_mode == Mode::Save)
        txtSetName->setFocus();
}

void frmDlgSettings::txtSetName_GotFocus() {
    if (m_mode == Mode::Restore)
        lstSettings->setFocus();
}

// Save stores the settings under the name; Restore hands the name shown on to the owner's
// restore, as a double-click does.
void frmDlgSettings::cmdOK_Click() {
    const QString name = txtSetName->text().trimmed();
    if (m_mode == Mode::Restore && !name.isEmpty()) {
        handToRestore(name);
        return;
    }
    if (m_mode == Mode::Save)
        saveNamedSettings(name, m_current);
    backToOwner();
    Unload();
}

void frmDlgSettings::cmdCancel_Click() {
    backToOwner();
    Unload();
}

void frmDlgSettings::handToRestore(const QString& name) {
    backToOwner();
    Unload();
    emit restoreChosen(name);
}

void frmDlgSettings::backToOwner() {
    if (QWidget* owner = parentWidget()) {
        owner->setEnabled(true);
        owner->raise();
        owner->activateWindow();
    }
}

void frmDlgSettings::Unload() {
    hide();
    deleteLater();
}

bool frmDlgSettings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == lstSettings)
            lstSettings_GotFocus();
        else if (watched == txtSetName)
            txtSetName_GotFocus();
    } else if (event->type() == QEvent::MouseButtonRelease && watched == lstSettings->viewport()) {
        // Handled once the list has applied the click to its selection.
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        QMetaObject::invokeMethod(
            this, [this, button] { lstSettings_MouseUp(button); }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

// Closing the dialog from its frame is Cancel.
void frmDlgSettings::closeEvent(QCloseEvent* event) {
    event->ignore();
    cmdCancel_Click();
}

} // namespace settings
