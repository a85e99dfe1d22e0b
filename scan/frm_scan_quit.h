// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace scan {

// Asks whether to quit while a scan is active, and hides itself with the answer.
class frmScanQuit : public QWidget {
    Q_OBJECT

public:
    // A window of its own, modal to its owner and kept in front of it.
    explicit frmScanQuit(QWidget* owner);

    QLabel* lblTitle;
    QLabel* lblText;
    QPushButton* cmdYes;
    QPushButton* cmdCancel;

signals:
    void answered(bool yes);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void answer(bool yes);
};

} // namespace scan
