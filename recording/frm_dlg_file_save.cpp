// SPDX-License-Identifier: MIT
#include "recording/frm_dlg_file_save.h"

#include "recording/scan_names.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace recording {

namespace {

template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* wrapped(QLabel* label) {
    label->setWordWrap(true);
    return label;
}

} // namespace

frmDlgFileSave::frmDlgFileSave(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("frmDlgFileSave"));
    setWindowTitle(QStringLiteral("Save Scan"));
    lblTitle = named(wrapped(new QLabel(QStringLiteral(
                         "Do you want to save the last scan to a file ? You can edit the filename "
                         "below, but the extension defaults to .dat."))),
                     "lblTitle");
    txtFileName = named(new QLineEdit(QStringLiteral("Default File name here")), "txtFileName");
    chkAutoSave = named(new QCheckBox(QStringLiteral("Always Auto-Save Scans")), "chkAutoSave");
    Label1 = named(wrapped(new QLabel(QStringLiteral(
                       "All scan files are saved into the \\DATA directory in the Spectrum "
                       "Analyzer install directory."))),
                   "Label1");
    Label2 = named(wrapped(new QLabel(QStringLiteral(
                       "If you do not save, the data from the last scan will be available until "
                       "another scan is started."))),
                   "Label2");
    cmdSave = named(new QPushButton(QStringLiteral("Save")), "cmdSave");
    cmdNoSave = named(new QPushButton(QStringLiteral("No")), "cmdNoSave");
    cmdSave->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkAutoSave);
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdNoSave);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(txtFileName);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addLayout(buttons);
    setFixedWidth(420);

    connect(cmdSave, &QPushButton::clicked, this, &frmDlgFileSave::cmdSave_Click);
    connect(cmdNoSave, &QPushButton::clicked, this, &frmDlgFileSave::cmdNoSave_Click);
    connect(txtFileName, &QLineEdit::returnPressed, this, &frmDlgFileSave::cmdSave_Click);
}

void frmDlgFileSave::Form_Load(const QString& scanFileName, bool autoSave) {
    txtFileName->setText(scanFileName);
    chkAutoSave->setChecked(autoSave);
}

void frmDlgFileSave::cmdSave_Click() {
    if (!txtFileName->text().isEmpty())
        txtFileName->setText(saveNameFromPrompt(txtFileName->text()));
    hide();
    emit answered(txtFileName->text(), chkAutoSave->isChecked());
}

void frmDlgFileSave::cmdNoSave_Click() {
    txtFileName->clear();
    hide();
    emit answered(QString(), chkAutoSave->isChecked());
}

// Closing the prompt from its frame means "do not save".
void frmDlgFileSave::closeEvent(QCloseEvent* event) {
    event->ignore();
    cmdNoSave_Click();
}

} // namespace recording
