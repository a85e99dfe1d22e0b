// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QVBoxLayout;

namespace app {

// The splash window, and the same window as the About box. At start-up it shows, loads the main
// window behind itself at its first tick, runs its progress bar over 40 steps and then hands over
// to the main window; as About box it runs the bar over 160 steps, says where the settings file
// and the Data folder are, offers to open the folder, and stays until it is closed. Any key, or a
// click on it or one of its labels, closes it at once. Closing it shows and enables the main
// window, its owner.
class frmSplash : public QWidget {
    Q_OBJECT

public:
    enum class Role { StartUp, About };

    // At start-up, `loadMainWindow` loads the owner once the splash is on screen.
    frmSplash(QWidget* mainWindow, Role role, std::function<void()> loadMainWindow = {});

    // The About box says where the settings file and the Data folder are, and offers to open the
    // folder.
    void showLocations(const QString& settingsFile, const QString& dataFolder);
    void Form_Load();
    int currentStep() const { return m_currentStep; }
    int lastStep() const { return m_lastStep; }

    QLabel* lblProductName;
    QLabel* lblCompanyProduct;
    QLabel* lblPlatform;
    QLabel* Date;
    QLabel* lblKorlan;
    QLabel* lblCorporation;
    QLabel* lblCompany;
    QLabel* lblSettingsFile;
    QLabel* lblDataFolder;
    QProgressBar* pBar1;
    QTimer* Timer1;
    QPushButton* cmdOpenDataFolder = nullptr; // the About box's
    QPushButton* cmdOK = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Timer1_Timer();
    void loadMainWindow();
    void Form_Unload();
    // Closes the splash, or once loading is over when asked while the main window loads.
    void Unload();

    Role m_role;
    QVBoxLayout* m_inner;
    std::function<void()> m_loadMainWindow;
    qint16 m_currentStep = 1;
    qint16 m_lastStep = 40;
    bool m_loading = false;
    bool m_unloadAsked = false;
    bool m_unloaded = false;
};

} // namespace app
