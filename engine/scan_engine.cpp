// SPDX-License-Identifier: MIT
// The engine's parts and the connection handshake with the radio.
#include "engine/scan_engine.h"

#include "core/wait.h"
#include "radio/comm_port.h"
#include "radio/port_access.h"
#include "radio/port_probe.h"
#include "radio/protocol.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTimer>

namespace engine {

namespace {

const QString PortFailureText =
    QStringLiteral("A serial port that was detected at program starup failed\r\n"
                   "to initialze properly. The port will be removed from the\r\n"
                   "selection box.\r\n\r\nPlease select another port.");

void enableTimer(QTimer* timer) {
    if (!timer->isActive())
        timer->start();
}

} // namespace

ScanEngine::ScanEngine(EngineQuestions& questions, QObject* parent)
    : QObject(parent), m_questions(questions) {
    msComm = new radio::CommPort(this);
    msComm->setObjectName(QStringLiteral("msComm"));
    const auto timer = [this](QTimer*& member, const char* name, int interval) {
        member = new QTimer(this);
        member->setObjectName(QString::fromLatin1(name));
        member->setInterval(core::scaledMs(interval));
    };
    tmrRSSI = new ReplyWatchdog(core::scaledMs(2000), this);
    tmrRSSI->setObjectName(QStringLiteral("tmrRSSI"));
    timer(tmrConnect, "tmrConnect", 10000);
    connect(tmrRSSI, &ReplyWatchdog::timeout, this, &ScanEngine::tmrRSSI_Timer);
    m_stepHooks.endOfLoop = [this] {
        announceStoredReading();
        EndOfLoop();
    };
    m_stepHooks.drawSkipped = [this](int index) {
        announceStoredReading();
        emit channelSkipped(index);
    };
    connect(tmrConnect, &QTimer::timeout, this, &ScanEngine::tmrConnect_Timer);
    connect(msComm, &radio::CommPort::OnComm, this, &ScanEngine::msComm_OnComm);
    connect(msComm, &radio::CommPort::linkError, this, &ScanEngine::msComm_LinkError);
}

ScanEngine::~ScanEngine() = default;

void ScanEngine::setComPort(int port) {
    m_comPort = port;
    msComm->setCommPort(port);
}

void ScanEngine::setLinkState(qint32 state) {
    if (m_linkState == state)
        return;
    m_linkState = state;
    emit linkStateChanged(state);
}

void ScanEngine::shutDown() {
    tmrRSSI->disarm();
    tmrConnect->stop();
    m_quitting = true;
    m_scanFile.close();
    msComm->setPortOpen(false);
}

void ScanEngine::sendRaw(const QByteArray& text) {
    if (msComm->PortOpen())
        msComm->Output(text);
}

void ScanEngine::Start() {
    connectNow(true);
}

void ScanEngine::armReconnect() {
    enableTimer(tmrConnect);
}

void ScanEngine::tmrConnect_Timer() {
    if (m_linkState != LinkScanning)
        connectNow(false);
}

// An attempt that is already running is never stacked on: a restart asked for meanwhile is
// ignored, and a retry runs in this loop rather than by calling itself.
void ScanEngine::connectNow(bool byUser) {
    if (m_connecting)
        return;
    m_connecting = true;
    ConnectOutcome outcome = ConnectOutcome::GiveUp;
    do {
        enableTimer(tmrConnect);
        if (!preparePort()) {
            outcome = ConnectOutcome::PortFailed;
            break;
        }
        msComm->setRThreshold(1);
        emit statusShown(false);
        m_loopCount = 0;
        emit connecting();
        outcome = ConnectRadio();
    } while (outcome == ConnectOutcome::Retry && !m_quitting);

    if (outcome == ConnectOutcome::PortFailed) {
        // Back to idle, so that Start and closing work again. Only "Run Forever" keeps trying by
        // itself; the user hears of the failure at every Start, and once for automatic retries.
        setLinkState(LinkIdle);
        emit statusBlinking(false);
        if (!m_runForever)
            tmrConnect->stop();
        if (byUser || !m_portLossReported) {
            m_portLossReported = true;
            // No port chosen names no device, not the one the start-up probe tried last.
            const QString problem =
                m_comPort >= 1 ? radio::portAccessProblem(msComm->devicePath()) : QString();
            emit failure(problem.isEmpty() ? PortFailureText
                                           : PortFailureText + QStringLiteral("\r\n\r\n") + problem,
                         QString());
        }
        emit connectGivenUp(true);
    }
    m_connecting = false;
}

// Tests the chosen port and leaves it in the state it had. A port that fails the test is a
// failure: the last port the start-up probe tried is never used in its place.
bool ScanEngine::preparePort() {
    if (m_comPort < 1 || !radio::TestComPort(*msComm, m_comPort))
        return false;
    msComm->setCommPort(m_comPort);
    if (!msComm->setPortOpen(true))
        return false;
    msComm->setPortOpen(false);
    return true;
}

ScanEngine::ConnectOutcome ScanEngine::ConnectRadio() {
    setLinkState(LinkConnecting);
    emit statusText(QStringLiteral("Connecting - Step 1....."));
    emit statusBlinking(true);
    if (const auto settings = radio::speedSettings(m_speedPosition))
        msComm->setSettings(*settings);
    if (!msComm->PortOpen() && !msComm->setPortOpen(true))
        return ConnectOutcome::PortFailed;

    if (EnterSetupMode()) {
        setLinkState(LinkScanning);
        m_portLossReported = false;
        emit statusText(QStringLiteral("Test Running....."));
        StartScan();
        emit connected();
        return ConnectOutcome::Connected;
    }

    if (!m_runForever || m_quitting) {
        if (!m_quitting && m_questions.tryConnectAgain(m_comPort))
            return ConnectOutcome::Retry;
        emit statusBlinking(false);
        emit statusShown(false);
        msComm->setPortOpen(false);
        tmrConnect->stop();
        setLinkState(LinkIdle);
        emit connectGivenUp(false);
        return ConnectOutcome::GiveUp;
    }

    // "Run Forever": the next attempt starts 5 s later from the event loop; the link stays in
    // its connecting state meanwhile.
    emit statusText(QStringLiteral("Connect Failed - Waiting....."));
    QTimer::singleShot(core::scaledMs(5000), this, [this] {
        if (m_linkState == LinkConnecting && !m_quitting)
            connectNow(false);
    });
    return ConnectOutcome::Waiting;
}

// Wakes the radio with ESC and CR LF bursts, then unlocks its setup mode with the access code.
// Success means that the radio answered the wake-up; a refused code shows up later as a missing
// reply or "CLOSED" (and is noted in accessCodeRefused()).
bool ScanEngine::EnterSetupMode() {
    namespace protocol = radio::protocol;
    CommPaused = true;
    QString term;
    for (int attempt = 0; attempt <= 5 && !m_quitting; ++attempt) {
        msComm->Input();
        QCoreApplication::processEvents();
        if (!msComm->Output(protocol::WakeUp))
            return false;
        core::Wait(400 + QRandomGenerator::global()->bounded(701));
        for (int burst = 0; burst <= 3 && !m_quitting; ++burst) {
            if (!msComm->Output(protocol::WakeUpBurst))
                return false;
            core::Wait(300);
            term = QStringLiteral("Connecting");
            if (msComm->InBufferCount() != 0) {
                emit setupProgress(term);
                core::Wait(250);
                const QByteArray answer = msComm->Input();
                core::Wait(250);
                if (!answer.contains(protocol::SetupPrompt))
                    msComm->Output(protocol::SetupCommand);
                core::Wait(250);
                msComm->Input();
                msComm->Output(protocol::AccessCommand);
                core::Wait(250);
                m_accessRefused = msComm->Input().contains(protocol::Closed);
                CommPaused = false;
                return true;
            }
            term += QString(attempt + burst, QLatin1Char('.'));
            emit setupProgress(term);
        }
    }
    return false;
}

} // namespace engine
