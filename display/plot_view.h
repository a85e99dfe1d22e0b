// SPDX-License-Identifier: MIT
#pragma once

#include "display/compare_overlay.h"
#include "display/plot_renderer.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QList>
#include <QTimer>

#include <memory>
#include <optional>

namespace display {

// The plot area frDisplay: a picture box with a sunken two-pixel border. The renderer's picture
// is its client area inside the border and is sized with it; the plot's Height in twips (the
// renderer's PlotHeight) is that of the whole widget, border included. Mouse positions are
// reported in twips from the client area's top-left corner, where the renderer's pixel 0, 0
// and the plot's child controls are counted from. Buttons: 1 left, 2 right, 4 middle; shift:
// 1 Shift, 2 Ctrl, 4 Alt.
//
// What is drawn shows within RepaintIntervalMs: repaints are gathered, so that a live scan's
// hundreds of slots a second cost at most twenty-five repaints. The frames of a live scan's
// readings come less often and are shown as they come (showDrawn). The slots are painted into
// the picture just before they are shown, a frame's worth at a time: painted one by one as
// readings arrive, each slot would find the picture's rows gone cold from the cache.
// Whatever reads the picture or changes it otherwise first paints the slots still waiting.
//
// A compared scan lies over the picture as an overlay of its own, painted once for its scale and
// size and laid over what each repaint shows; the picture never holds it.
class PlotView : public QFrame {
    Q_OBJECT

public:
    static constexpr int RepaintIntervalMs = 40;

    explicit PlotView(QWidget* parent = nullptr);

    // The picture follows the widget's size at once, shown or not, and holds every slot drawn.
    PlotRenderer& renderer();

    // The renderer's operations, each followed by a repaint of what changed. DrawChannel returns
    // where the scan marker goes in line mode.
    void Cls();
    std::optional<double> DrawChannel(const PlotGeometry& geometry, const PlotOptions& options,
                                      const ChannelDraw& channel);
    void setSeparators(const SeparatorLines& lines);
    // Shows what has been drawn at once, within the frame's limit: for the end of a batch of
    // drawing, such as a frame of a live scan's readings.
    void showDrawn();
    void setColors(const ActiveColors& colors);

    // The compared scan shown over the picture, or none; the scale it is drawn for, which follows
    // the plot's axes, size and colours.
    void setComparison(std::shared_ptr<const Comparison> comparison);
    const Comparison* comparison() const { return m_comparison.get(); }
    void setComparisonScale(const ComparisonScale& scale);

signals:
    void mouseMoved(int button, int shift, int x, int y);
    void mouseReleased(int button, int shift, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct WaitingSlot {
        PlotGeometry geometry;
        PlotOptions options;
        ChannelDraw channel;
    };
    // An unpaced scan draws more than a sweep within a frame: beyond that many, the slots are
    // painted at once.
    static constexpr qsizetype MaxWaitingSlots = scan::ChannelCount;

    void syncPictureSize();
    void paintWaitingSlots();
    void updatePicture(const QRect& pixels);
    void repaintSoon();
    void repaintDrawn();
    QRegion takeDrawnRegion();
    void comparisonChanged();
    const QImage& comparisonOverlay();
    QPoint twipsOf(const QMouseEvent* event) const;

    PlotRenderer m_renderer;
    QSize m_syncedSize{-1, -1};   // the widget's size the picture was last fitted to
    QRect m_client;               // the picture's place in the widget: inside the border
    QList<WaitingSlot> m_waiting; // drawn, not yet painted into the picture
    QRect m_pending;              // pixels drawn since the last repaint, in widget coordinates
    QTimer m_repaint;
    QElapsedTimer m_sinceRepaint;
    std::shared_ptr<const Comparison> m_comparison;
    ComparisonScale m_comparisonScale;
    QImage m_overlay; // the comparison painted for its scale and the picture's size; null: stale
};

} // namespace display
