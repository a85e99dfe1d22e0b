// SPDX-License-Identifier: MIT
// The engine's parts, its states and the connection handshake with the radio.
#include "engine/scan_engine.h"

#include "core/time_scale.h"
#include "radio/comm_port.h"
#include "radio/port_access.h"
#include "radio/port_probe.h"
#include "radio/protocol.h"

#include <QRandomGenerator>
#include <QTimer>

#include <tuple>

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

auto fields(const EngineStatus& s) {
    return std::tie(s.state, s.linkState, s.scanActive, s.stopRequested, s.loopCount, s.scanStart,
                    s.loopStart, s.accessCodeRefused, s.portOpen, s.clearPeaksPending,
                    s.clearAveragesPending, s.scanFileName, s.scanFilePath, s.scanFileWritable,
                    s.recordCount, s.scanFileGeneration);
}

} // namespace

bool operator==(const EngineStatus& a, const EngineStatus& b) {
    return fields(a) == fields(b);
}

ScanEngine::ScanEngine(QObject* parent) : EngineEvents(parent) {
    msComm = new radio::CommPort(this);
    msComm->setObjectName(QStringLiteral("msComm"));
    tmrRSSI = new ReplyWatchdog(core::scaledMs(2000), this);
    tmrRSSI->setObjectName(QStringLiteral("tmrRSSI"));
    tmrConnect = new QTimer(this);
    tmrConnect->setObjectName(QStringLiteral("tmrConnect"));
    tmrConnect->setInterval(core::scaledMs(10000));
    m_wait = new QTimer(this);
    m_wait->setSingleShot(true);
    connect(tmrRSSI, &ReplyWatchdog::timeout, this, &ScanEngine::tmrRSSI_Timer);
    connect(tmrConnect, &QTimer::timeout, this, &ScanEngine::tmrConnect_Timer);
    connect(m_wait, &QTimer::timeout, this, &ScanEngine::waitOver);
    m_stepHooks.endOfLoop = [this] {
        announceStoredReading();
        EndOfLoop();
    };
    m_stepHooks.drawSkipped = [this](int index) {
        announceStoredReading();
        emit channelSkipped(index);
    };
    connect(msComm, &radio::CommPort::OnComm, this, &ScanEngine::msComm_OnComm);
    connect(msComm, &radio::CommPort::linkError, this, &ScanEngine::msComm_LinkError);
}

ScanEngine::~ScanEngine() = default;

EngineStatus ScanEngine::status() const {
    EngineStatus s;
    s.state = m_state;
    s.linkState = m_linkState;
    s.scanActive = m_scanActive;
    s.stopRequested = m_stopAfterLoop;
    s.loopCount = m_loopCount;
    s.scanStart = m_scanStart;
    s.loopStart = m_loopStart;
    s.accessCodeRefused = m_accessRefused;
    s.portOpen = msComm->PortOpen();
    s.clearPeaksPending = m_clearPeaksPending;
    s.clearAveragesPending = m_clearAveragesPending;
    s.scanFileName = m_scanFileName;
    if (m_scanFile.isOpen()) {
        s.scanFilePath = m_scanFile.path();
        s.scanFileWritable = m_scanFile.isWritable();
        s.recordCount = m_scanFile.recordCount();
    }
    s.scanFileGeneration = m_scanFileGeneration;
    return s;
}

void ScanEngine::setPortDirectory(const radio::PortDirectory& directory) {
    msComm->setPortDirectory(directory);
}

void ScanEngine::setComPort(int port) {
    m_comPort = port;
    msComm->setCommPort(port);
}

void ScanEngine::setFrequencyLimits(const scan::FrequencyLimits& limits) {
    m_limits = limits;
    if (!m_scanActive)
        m_scanLimits = limits;
}

void ScanEngine::setAttenuation(int dB) {
    m_attenuation = dB;
    if (!m_scanActive)
        m_scanAttenuation = dB;
}

void ScanEngine::setState(EngineState state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void ScanEngine::settle() {
    setState(m_saveQuestion ? EngineState::AskingSaveName : EngineState::Idle);
    if (m_quitting && m_state == EngineState::Idle)
        emit quitDone();
}

void ScanEngine::startWait(int milliseconds) {
    m_wait->start(core::scaledMs(milliseconds));
}

// The end of whichever timed state the engine is in.
void ScanEngine::waitOver() {
    switch (m_state) {
    case EngineState::Waking:
        m_burst = 0;
        sendBurst();
        return;
    case EngineState::Bursting:
        burstAnswered();
        return;
    case EngineState::Unlocking:
        unlockStep();
        return;
    case EngineState::WaitingToRetry:
        connectNow(false);
        return;
    case EngineState::EndingScan:
        if (m_scanActive || m_linkState == LinkScanning) {
            Stop();
            m_scanActive = false;
            EndScan(m_endingHow);
        }
        setState(EngineState::WaitingToReconnect);
        startWait(5000);
        return;
    case EngineState::WaitingToReconnect:
        settle();
        if (m_reconnectAfterEnd)
            reconnectWhenIdle();
        return;
    case EngineState::Idle:
    case EngineState::AskingRetry:
    case EngineState::Scanning:
    case EngineState::StoppingAfterLoop:
    case EngineState::AskingSaveName:
        return;
    }
}

void ScanEngine::shutDown() {
    tmrRSSI->disarm();
    tmrConnect->stop();
    m_wait->stop();
    m_quitting = true;
    m_saveQuestion.reset();
    m_scanActive = false;
    m_scanFile.close();
    msComm->setPortOpen(false);
    m_linkState = LinkIdle;
    setState(EngineState::Idle);
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

// An attempt is never stacked on another: a restart asked for while one runs, a scan runs or a
// question waits is ignored. A wait before the next attempt gives way to it.
void ScanEngine::connectNow(bool byUser) {
    switch (m_state) {
    case EngineState::Idle:
    case EngineState::WaitingToRetry:
    case EngineState::WaitingToReconnect:
        break;
    default:
        return;
    }
    if (m_quitting)
        return;
    m_wait->stop();
    m_connectByUser = byUser;
    enableTimer(tmrConnect);
    if (!preparePort()) {
        portFailed(byUser);
        return;
    }
    msComm->setRThreshold(1);
    emit statusShown(false);
    m_loopCount = 0;
    emit connecting();
    ConnectRadio();
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

// Back to idle, so that Start and closing work again. Only "Run Forever" keeps trying by itself;
// the user hears of the failure at every Start, and once for automatic retries.
void ScanEngine::portFailed(bool byUser) {
    m_linkState = LinkIdle;
    emit statusBlinking(false);
    if (!m_runForever)
        tmrConnect->stop();
    settle();
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

void ScanEngine::ConnectRadio() {
    m_linkState = LinkConnecting;
    emit statusText(QStringLiteral("Connecting - Step 1....."));
    emit statusBlinking(true);
    if (const auto settings = radio::speedSettings(m_speedPosition))
        msComm->setSettings(*settings);
    if (!msComm->PortOpen() && !msComm->setPortOpen(true)) {
        portFailed(m_connectByUser);
        return;
    }
    CommPaused = true;
    EnterSetupMode(0);
}

// Wakes the radio with ESC and CR LF bursts, then unlocks its setup mode with the access code:
// up to six attempts of four bursts each. Success means that the radio answered the wake-up; a
// refused code shows up later as a missing reply or "CLOSED" (and in accessCodeRefused).
void ScanEngine::EnterSetupMode(int attempt) {
    m_attempt = attempt;
    msComm->Input();
    if (!msComm->Output(radio::protocol::WakeUp)) {
        setupFailed();
        return;
    }
    setState(EngineState::Waking);
    startWait(400 + int(QRandomGenerator::global()->bounded(701)));
}

void ScanEngine::sendBurst() {
    if (!msComm->Output(radio::protocol::WakeUpBurst)) {
        setupFailed();
        return;
    }
    setState(EngineState::Bursting);
    startWait(300);
}

void ScanEngine::burstAnswered() {
    QString term = QStringLiteral("Connecting");
    if (msComm->InBufferCount() != 0) {
        emit setupProgress(term);
        m_unlockStep = 0;
        setState(EngineState::Unlocking);
        startWait(250);
        return;
    }
    term += QString(m_attempt + m_burst, QLatin1Char('.'));
    emit setupProgress(term);
    if (++m_burst <= 3)
        sendBurst();
    else if (m_attempt < 5)
        EnterSetupMode(m_attempt + 1);
    else
        setupFailed();
}

// The steps after the answer, 250 ms apart: read it, ask for the setup prompt unless it was in
// the answer, send the access code, and see whether the radio refused it.
void ScanEngine::unlockStep() {
    namespace protocol = radio::protocol;
    switch (m_unlockStep++) {
    case 0:
        m_firstAnswer = msComm->Input();
        startWait(250);
        return;
    case 1:
        if (!m_firstAnswer.contains(protocol::SetupPrompt))
            msComm->Output(protocol::SetupCommand);
        startWait(250);
        return;
    case 2:
        msComm->Input();
        msComm->Output(protocol::AccessCommand);
        startWait(250);
        return;
    default:
        m_accessRefused = msComm->Input().contains(protocol::Closed);
        CommPaused = false;
        setupSucceeded();
        return;
    }
}

void ScanEngine::setupSucceeded() {
    m_linkState = LinkScanning;
    m_portLossReported = false;
    emit statusText(QStringLiteral("Test Running....."));
    StartScan();
    emit connected();
}

// The radio did not answer (CommPaused stays on until the next successful unlock). "Run
// Forever" tries again 5 s later; otherwise the owner is asked.
void ScanEngine::setupFailed() {
    if (m_quitting) {
        giveUpConnecting();
        return;
    }
    if (!m_runForever) {
        setState(EngineState::AskingRetry);
        emit tryAgainAsked(++m_lastQuestion, m_comPort);
        return;
    }
    // The link stays in its connecting state meanwhile.
    emit statusText(QStringLiteral("Connect Failed - Waiting....."));
    setState(EngineState::WaitingToRetry);
    startWait(5000);
}

void ScanEngine::answerTryAgain(quint64 question, bool yes) {
    if (m_state != EngineState::AskingRetry || question != m_lastQuestion)
        return;
    setState(EngineState::Idle);
    if (yes && !m_quitting)
        connectNow(m_connectByUser);
    else
        giveUpConnecting();
}

void ScanEngine::giveUpConnecting() {
    m_wait->stop();
    emit statusBlinking(false);
    emit statusShown(false);
    msComm->setPortOpen(false);
    tmrConnect->stop();
    m_linkState = LinkIdle;
    settle();
    emit connectGivenUp(false);
}

} // namespace engine
