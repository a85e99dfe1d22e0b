// SPDX-License-Identifier: MIT
#include "app/frm_remote_radio.h"

#include "app/remote_view.h"
#include "fleet/site_listener.h"
#include "settings/remote_settings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {

template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

constexpr int SiteRole = Qt::UserRole;

} // namespace

frmRemoteRadio::frmRemoteRadio(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmRemoteRadio"));
    setWindowTitle(QStringLiteral("Remote Radio"));
    setModal(true);
    txtBroker = named(new QLineEdit, "txtBroker");
    txtBroker->setPlaceholderText(QStringLiteral("mqtt://host:1883/korlan"));
    cmdListen = named(new QPushButton(QStringLiteral("Connect")), "cmdListen");
    lblState =
        named(new QLabel(QStringLiteral("Type the broker's address and connect.")), "lblState");
    lblState->setWordWrap(true);
    lblState->setTextFormat(Qt::PlainText);
    lstSites = named(new QListWidget, "lstSites");
    cmdOK = named(new QPushButton(QStringLiteral("OK")), "cmdOK");
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel")), "cmdCancel");
    cmdOK->setEnabled(false);

    auto* broker = new QHBoxLayout;
    broker->addWidget(new QLabel(QStringLiteral("Broker")));
    broker->addWidget(txtBroker, 1);
    broker->addWidget(cmdListen);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(broker);
    layout->addWidget(lblState);
    layout->addWidget(lstSites, 1);
    layout->addLayout(buttons);
    resize(420, 320);

    connect(cmdListen, &QPushButton::clicked, this, &frmRemoteRadio::cmdListen_Click);
    connect(txtBroker, &QLineEdit::returnPressed, this, &frmRemoteRadio::cmdListen_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmRemoteRadio::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstSites, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { cmdOK->setEnabled(item != nullptr); });
    connect(lstSites, &QListWidget::itemDoubleClicked, this, &frmRemoteRadio::cmdOK_Click);
}

frmRemoteRadio::~frmRemoteRadio() = default;

void frmRemoteRadio::Form_Load(const QString& url) {
    txtBroker->setText(url);
    if (!url.isEmpty())
        cmdListen_Click();
}

QString frmRemoteRadio::chosenSite() const {
    const QListWidgetItem* item = lstSites->currentItem();
    return item ? item->data(SiteRole).toString() : QString();
}

void frmRemoteRadio::showState(const QString& text) {
    lblState->setText(text);
}

void frmRemoteRadio::cmdListen_Click() {
    m_listener.reset();
    lstSites->clear();
    const auto parsed = fleet::parseBrokerAddress(txtBroker->text().trimmed());
    if (const auto* why = std::get_if<QString>(&parsed)) {
        showState(QStringLiteral("Not a broker address: ") + *why);
        return;
    }
    m_address = std::get<fleet::BrokerAddress>(parsed);
    m_listener = std::make_unique<fleet::SiteListener>(m_address, QString());
    const QString shown = m_address.shown();
    connect(m_listener.get(), &fleet::SiteListener::connected, this, [this, shown] {
        showState(QStringLiteral("Connected to %1. Choose a site.").arg(shown));
    });
    connect(m_listener.get(), &fleet::SiteListener::connectionLost, this,
            [this, shown](const QString& reason) {
                showState(QStringLiteral("The broker %1 cannot be reached (%2); trying again.")
                              .arg(shown, reason));
            });
    connect(m_listener.get(), &fleet::SiteListener::statusReceived, this,
            &frmRemoteRadio::FillSiteList);
    QString problem;
    if (!m_listener->start(&problem)) {
        m_listener.reset();
        showState(QStringLiteral("The broker %1 cannot be used: %2").arg(shown, problem));
        return;
    }
    showState(QStringLiteral("Connecting to %1 ...").arg(shown));
}

// The sites in name order; the chosen one stays chosen.
void frmRemoteRadio::FillSiteList() {
    const QString chosen = chosenSite();
    lstSites->clear();
    for (const fleet::SiteStatus& status : m_listener->statuses()) {
        auto* item = new QListWidgetItem(siteStatusText(status), lstSites);
        item->setData(SiteRole, status.site);
        if (status.site == chosen)
            lstSites->setCurrentItem(item);
    }
}

void frmRemoteRadio::cmdOK_Click() {
    if (!m_listener || chosenSite().isEmpty())
        return;
    settings::writeRemoteBroker(txtBroker->text().trimmed());
    accept();
}

} // namespace app
