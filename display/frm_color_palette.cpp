// SPDX-License-Identifier: MIT
#include "display/frm_color_palette.h"

#include "display/color_swatch.h"
#include "display/widget_twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace display {

namespace {

constexpr int DesignWidth = 2370; // twips
// Room the window system takes in a title bar for its buttons and margins, in pixels.
constexpr int TitleBarButtons = 110;

template <typename T>
T* place(T* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    setTwipsRect(widget, QRect(left, top, width, height));
    return widget;
}

} // namespace

frmColorPalette::frmColorPalette(const QString& settingsPath, QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      m_ini(settingsPath) {
    setObjectName(QStringLiteral("frmColorPalette"));
    setWindowTitle(QStringLiteral("Display Color's"));
    // Wide enough for the title beside the frame's buttons; the rows keep their designed places
    // in the middle.
    const int width = std::max(toPixels(DesignWidth),
                               fontMetrics().horizontalAdvance(windowTitle()) + TitleBarButtons);
    setFixedSize(width, toPixels(2970));
    auto* body = new QWidget(this);
    body->setGeometry((width - toPixels(DesignWidth)) / 2, 0, toPixels(DesignWidth), height());

    lblBarGraph = place(new QLabel(QStringLiteral("Bar/Line Graph Colors"), body), "lblBarGraph",
                        120, 60, 2175, 315);
    QFont bold = lblBarGraph->font();
    bold.setBold(true);
    lblBarGraph->setFont(bold);
    lblBarGraph->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Picture2 = place(new QWidget(body), "Picture2", 60, 300, 2235, 375);
    optBar = place(new QRadioButton(QStringLiteral("Bar"), Picture2), "optBar", 240, 60, 855, 255);
    optLine =
        place(new QRadioButton(QStringLiteral("Line"), Picture2), "optLine", 1140, 60, 855, 255);

    ColorPicker4 = place(new ColorSwatch(body), "ColorPicker4", 120, 720, 2115, 1575);
    const auto row = [this](QLabel*& label, ColorSwatch*& picker, const char* labelName,
                            const char* pickerName, const char* caption, int top) {
        label = place(new QLabel(QString::fromLatin1(caption), ColorPicker4), labelName, 300, top,
                      1095, 315);
        label->setAutoFillBackground(true);
        // The caption lies on the background's swatch: a click on it picks its own row's
        // colour instead of falling through to the background's.
        label->installEventFilter(this);
        picker = place(new ColorSwatch(ColorPicker4), pickerName, 1440, top, 315, 285);
        picker->setPicker(true);
        picker->setChoiceTitle(label->text().trimmed() + QStringLiteral(" Color"));
    };
    row(Label1, ColorPicker1, "Label1", "ColorPicker1", " Last Level", 240);
    row(Label2, ColorPicker2, "Label2", "ColorPicker2", " Average", 660);
    row(Label3, ColorPicker3, "Label3", "ColorPicker3", " Peak", 1080);
    ColorPicker4->setPicker(true);
    ColorPicker4->setChoiceTitle(QStringLiteral("Background Color"));
    // A picker without a stored colour shows its role's default.
    const ColorSet defaults;
    ColorPicker1->setValue(defaults.LastColor);
    ColorPicker2->setValue(defaults.AverageColor);
    ColorPicker3->setValue(defaults.PeakColor);
    ColorPicker4->setValue(defaults.PlotBackColor);

    Picture1 = place(new QWidget(body), "Picture1", 60, 2460, 2235, 435);
    cmdCancelColor = place(new QPushButton(QStringLiteral("Cancel"), Picture1), "cmdCancelColor",
                           60, 0, 975, 375);
    cmdApplyColor =
        place(new QPushButton(QStringLiteral("OK"), Picture1), "cmdApplyColor", 1200, 0, 975, 375);

    connect(optBar, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            LoadPickers();
    });
    connect(optLine, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            LoadPickers();
    });
    connect(cmdApplyColor, &QPushButton::clicked, this, &frmColorPalette::cmdApplyColor_Click);
    connect(cmdCancelColor, &QPushButton::clicked, this, &QWidget::close);
}

void frmColorPalette::Form_Load(bool lineMode) {
    (lineMode ? optLine : optBar)->setChecked(true);
    LoadPickers();
}

GraphMode frmColorPalette::selectedMode() const {
    return optLine->isChecked() ? GraphMode::Line : GraphMode::Bar;
}

void frmColorPalette::LoadPickers() {
    const GraphMode mode = selectedMode();
    const auto load = [&](ColorSwatch* picker, ColorRole role) {
        if (const auto number = readColorNumber(m_ini, mode, role))
            picker->setValue(*number);
    };
    load(ColorPicker1, ColorRole::Last);
    load(ColorPicker2, ColorRole::Average);
    load(ColorPicker3, ColorRole::Peak);
    load(ColorPicker4, ColorRole::Back);
}

void frmColorPalette::cmdApplyColor_Click() {
    ColorSet colors;
    colors.LastColor = ColorPicker1->value();
    colors.AverageColor = ColorPicker2->value();
    colors.PeakColor = ColorPicker3->value();
    colors.PlotBackColor = ColorPicker4->value();
    writeColorSet(m_ini, selectedMode(), colors);
    emit applied();
    close();
}

bool frmColorPalette::eventFilter(QObject* watched, QEvent* event) {
    const std::pair<QObject*, ColorSwatch*> rows[] = {
        {Label1, ColorPicker1}, {Label2, ColorPicker2}, {Label3, ColorPicker3}};
    for (const auto& [caption, picker] : rows) {
        if (watched != caption)
            continue;
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            picker->choose();
        return event->type() == QEvent::MouseButtonPress ||
               event->type() == QEvent::MouseButtonRelease ||
               event->type() == QEvent::MouseButtonDblClick;
    }
    return QWidget::eventFilter(watched, event);
}

void frmColorPalette::closeEvent(QCloseEvent* event) {
    event->accept();
    emit unloaded();
}

} // namespace display
