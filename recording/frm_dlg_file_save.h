// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace recording {

// The save prompt at the end of a scan. "Save" keeps the (edited) name and hides the prompt;
// "No" empties the name and hides it; the main window polls for the hidden prompt and acts.
class frmDlgFileSave : public QWidget {
    Q_OBJECT

public:
    // A window of its own, kept in front of its owner.
    explicit frmDlgFileSave(QWidget* owner);

    // The name to offer, and whether "Always Auto-Save Scans" starts checked.
    void Form_Load(const QString& scanFileName, bool autoSave);

    QLabel* lblTitle;
    QLineEdit* txtFileName;
    QCheckBox* chkAutoSave;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* cmdSave;
    QPushButton* cmdNoSave;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdSave_Click();
    void cmdNoSave_Click();
};

} // namespace recording
