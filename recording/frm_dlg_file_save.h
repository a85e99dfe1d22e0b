// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace recording {

// The save prompt at the end of a scan. "Save" hides the prompt and answers with the (edited)
// name; "No", or closing it, hides it and answers with no name.
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

signals:
    // The name to save under (empty: do not save), and "Always Auto-Save Scans".
    void answered(const QString& name, bool autoSave);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdSave_Click();
    void cmdNoSave_Click();
};

} // namespace recording
