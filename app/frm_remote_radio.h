// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/broker_address.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace fleet {
class SiteListener;
}

namespace app {

// "Remote Radio": the broker's address, the sites it knows of with their status, and the site
// to watch. OK answers with the chosen site (and keeps the address in the settings file);
// Cancel with none.
class frmRemoteRadio : public QDialog {
    Q_OBJECT

public:
    explicit frmRemoteRadio(QWidget* owner);
    ~frmRemoteRadio() override;

    // The address last used; a non-empty one is connected to at once.
    void Form_Load(const QString& url);
    // After OK: the broker and the site chosen.
    const fleet::BrokerAddress& address() const { return m_address; }
    QString chosenSite() const;

    QLineEdit* txtBroker;
    QPushButton* cmdListen;
    QLabel* lblState;
    QListWidget* lstSites;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

private:
    void cmdListen_Click();
    void cmdOK_Click();
    void FillSiteList();
    void showState(const QString& text);

    fleet::BrokerAddress m_address;
    std::unique_ptr<fleet::SiteListener> m_listener;
};

} // namespace app
