// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;

namespace app {

// The list of saved scans in the Data folder. "Open" (or a double click on a single item) hides
// the list and answers with the chosen name; "Cancel" answers with none. A right click offers to
// delete the selected scans.
class frmScanRestore : public QWidget {
    Q_OBJECT

public:
    explicit frmScanRestore(QWidget* owner);

    void Form_Load(const QString& dataFolder);
    void FillScanList();
    // The bare scan name an item of the list stands for.
    static constexpr int ScanNameRole = Qt::UserRole;
    static QString scanName(const QListWidgetItem* item);

    QLabel* lblTitle;
    QListWidget* lstScans;
    QWidget* picBack;
    QPushButton* cmdOpenScan;
    QPushButton* cmdCancel;
    QMenu* mnuScanList;
    QAction* mnuDeleteScans;

signals:
    // The scan to open, or an empty name.
    void chosen(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdOpenScan_Click();
    void cmdCancel_Click();
    void lstScans_DblClick();
    void lstScans_MouseUp(Qt::MouseButton button, QPoint at);
    void mnuDeleteScans_Click();
    void placeList();

    QString m_dataFolder;
};

} // namespace app
