// SPDX-License-Identifier: MIT
#pragma once

#include "settings/window_settings.h"

#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace settings {

// The named-settings dialog. In save mode it stores the owner's settings under a typed or picked
// name; in restore mode a double-click on a name, or "Restore" with the name picked, unloads the
// dialog and hands that name to the owner with restoreChosen. Save and Cancel unload it at once.
// Closing it in any way enables the owner again and brings it to the front.
class frmDlgSettings : public QWidget {
    Q_OBJECT

public:
    enum class Mode { Save, Restore };

    // A window of its own, kept in front of its owner; `current` is what a save stores.
    frmDlgSettings(QWidget* owner, const WindowSettings& current);

    void Form_Load();
    // The title, its tag and the OK button's caption.
    void setMode(Mode mode);
    Mode mode() const { return m_mode; }
    void FillSettingsList();

    QLabel* lblTitle;
    QListWidget* lstSettings;
    QLineEdit* txtSetName;
    QWidget* picBack;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

signals:
    void restoreChosen(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();
    void lstSettings_MouseUp(Qt::MouseButton button);
    void lstSettings_DblClick();
    void lstSettings_GotFocus();
    void txtSetName_GotFocus();
    // The single picked name, or nullopt when none or several are selected.
    std::optional<QString> pickedName() const;
    void backToOwner();
    void handToRestore(const QString& name);
    void Unload();

    WindowSettings m_current;
    Mode m_mode = Mode::Restore;
};

} // namespace settings
