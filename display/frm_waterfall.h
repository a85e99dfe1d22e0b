// SPDX-License-Identifier: MIT
#pragma once

#include "recording/scan_file.h"
#include "recording/scan_record.h"
#include "survey/scan_reader.h"

#include <QImage>
#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

namespace display {

class WaterfallView;

// The waterfall window: the whole of a scan, one row per loop (newest at the top) while the
// loops fit, the strongest level of several loops per row beyond that. It shows a recorded scan,
// or the recording of a running scan that appendLoop keeps up to date. Hovering shows frequency,
// time and level under the mouse; a click on a row reports that row's loop.
class frmWaterfall : public QWidget {
    Q_OBJECT

public:
    // A window of its own that stays in front of its parent.
    explicit frmWaterfall(QWidget* parent);

    // Shows the scan at `path`. An empty file is a recording without loops yet. False, with
    // errorString(), when it cannot be read or is not a scan file; the window is then empty.
    bool openScan(const QString& path);
    QString errorString() const { return m_error; }
    QString scanPath() const { return m_path; }

    // The loop just recorded, as written to the scan file. A loop already shown is ignored; a loop
    // that does not follow the last one shown has the scan read again.
    void appendLoop(const recording::ScanRecord& record);

    QString hoverText() const { return m_hoverText; }

    // The waterfall with its axes and colour scale, as "Save Picture" writes it.
    QImage picture() const;
    // "<scan name>_waterfall.png".
    QString defaultPictureName() const;
    bool savePicture(const QString& path);

    WaterfallView* view;
    QLabel* lblHover;
    QPushButton* cmdSavePicture;

signals:
    // The loop (from 1) that gave the clicked pixel its level, or the row's first loop.
    void loopClicked(qint32 loop);
    void hoverTextChanged(const QString& text);

private slots:
    void cmdSavePicture_Click();
    void view_Hovered(int row, int channel);
    void view_Clicked(int row, int channel);

private:
    void render();
    void showTitle();
    void showStatus(const QString& text);
    QString pixelText(int row, int channel) const;

    QString m_path;
    QString m_error;
    QString m_hoverText;
    survey::ScanReader m_reader;
    recording::ScanFile m_records; // start times of single loops, for the hover text
    QTimer* m_rerender;
};

} // namespace display
