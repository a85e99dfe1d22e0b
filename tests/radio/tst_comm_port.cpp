// SPDX-License-Identifier: MIT
#include "radio/comm_port.h"
#include "radio/port_directory.h"
#include "radio/port_probe.h"
#include "settings/ini_file.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using radio::CommPort;
using radio::PortDirectory;

namespace {

constexpr int WaitMs = 3000;

// A pseudo-terminal whose device end the port opens; the test plays the far end. The test keeps
// the device end open as well, in raw mode, so that the far end never sees a hang-up when the
// port closes.
class PseudoTerminal {
public:
    PseudoTerminal() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        const char* name = ::ptsname(m_master);
        if (!name)
            return;
        m_path = QString::fromLocal8Bit(name);
        m_device = ::open(name, O_RDWR | O_NOCTTY);
        termios mode{};
        if (m_device < 0 || ::tcgetattr(m_device, &mode) != 0)
            return;
        ::cfmakeraw(&mode);
        mode.c_cflag |= CLOCAL | CREAD;
        if (::tcsetattr(m_device, TCSANOW, &mode) != 0)
            return;
        const int flags = ::fcntl(m_master, F_GETFL);
        m_ready = flags >= 0 && ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) == 0;
    }
    ~PseudoTerminal() { closeFarSide(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isReady() const { return m_ready; }
    const QString& devicePath() const { return m_path; }

    bool send(const QByteArray& bytes) {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + sent, bytes.size() - sent);
            if (n < 0)
                return false;
            sent += n;
        }
        return true;
    }

    // Everything that arrived at the far end so far.
    const QByteArray& received() {
        char chunk[4096];
        ssize_t n;
        while (m_master >= 0 && (n = ::read(m_master, chunk, sizeof chunk)) > 0)
            m_received.append(chunk, n);
        return m_received;
    }

    speed_t lineSpeed() const {
        termios mode{};
        ::tcgetattr(m_device, &mode);
        return ::cfgetospeed(&mode);
    }

    // The device goes away as an unplugged adapter does: the port's end is hung up.
    void closeFarSide() {
        if (m_master >= 0)
            ::close(m_master);
        if (m_device >= 0)
            ::close(m_device);
        m_master = m_device = -1;
    }

private:
    int m_master = -1;
    int m_device = -1;
    QString m_path;
    QByteArray m_received;
    bool m_ready = false;
};

// A new settings file whose section "Ports" holds the given keys; no serial device counts as
// present, so that only the mapped numbers lead anywhere on any machine.
PortDirectory directoryWith(const QTemporaryDir& dir, const QList<std::pair<int, QString>>& ports) {
    static int files = 0;
    const QString path = dir.filePath(QStringLiteral("ports-%1.ini").arg(++files));
    settings::IniFile ini(path);
    for (const auto& [port, device] : ports)
        ini.WriteIni(PortDirectory::Section, PortDirectory::portKey(port), device);
    return PortDirectory(path, QStringList());
}

QByteArray everyByteFrom(int first) {
    QByteArray bytes;
    for (int b = first; b < 256; ++b)
        bytes.append(static_cast<char>(b));
    return bytes;
}

} // namespace

class TestCommPort : public QObject {
    Q_OBJECT

private:
    // An open port on a fresh pseudo-terminal mapped to "Com 1".
    bool openOn(CommPort& port, const PseudoTerminal& pty) {
        if (!pty.isReady() || !m_dir.isValid())
            return false;
        port.setPortDirectory(directoryWith(m_dir, {{1, pty.devicePath()}}));
        return port.setCommPort(1) && port.setPortOpen(true);
    }

    QTemporaryDir m_dir;

private slots:
    void textIsWrittenUnchanged_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("request") << QByteArrayLiteral("RX 902.2\rRSSI!\r");
        QTest::newRow("escape then CR LF") << QByteArrayLiteral("\x1b\r\n");
        QTest::newRow("LF CR alone") << QByteArrayLiteral("\n\r\n\r");
        QTest::newRow("bytes from 0x80") << everyByteFrom(0x80);
        QTest::newRow("every byte value") << everyByteFrom(0);
    }
    void textIsWrittenUnchanged() {
        QFETCH(QByteArray, text);
        PseudoTerminal pty;
        CommPort port;
        QVERIFY(openOn(port, pty));
        QVERIFY(port.Output(text));
        QTRY_COMPARE_WITH_TIMEOUT(pty.received(), text, WaitMs);
    }

    void chunkRaisesOneEventPerCharacterAndFirstInputTakesIt_data() {
        QTest::addColumn<QByteArray>("chunk");
        QTest::newRow("one character") << QByteArrayLiteral(">");
        QTest::newRow("CR LF") << QByteArrayLiteral("\r\n");
        QTest::newRow("reply") << QByteArrayLiteral("RX 902.2\r\n-87 dBm\r\nSETUP>");
        QTest::newRow("200 characters") << QByteArray(200, 'x');
    }
    void chunkRaisesOneEventPerCharacterAndFirstInputTakesIt() {
        QFETCH(QByteArray, chunk);
        PseudoTerminal pty;
        CommPort port;
        QVERIFY(openOn(port, pty));
        port.setRThreshold(1);
        QList<QByteArray> taken;
        QList<int> reasons;
        connect(&port, &CommPort::OnComm, this, [&] {
            reasons.append(port.CommEvent());
            taken.append(port.Input());
        });
        QVERIFY(pty.send(chunk));
        QTRY_COMPARE_WITH_TIMEOUT(taken.size(), chunk.size(), WaitMs);
        QCOMPARE(taken.first(), chunk);
        for (qsizetype i = 1; i < taken.size(); ++i)
            QVERIFY(taken[i].isEmpty());
        QCOMPARE(reasons, QList<int>(chunk.size(), CommPort::DataReceived));
        QCOMPARE(port.InBufferCount(), 0);
    }

    void nestedEventLoopInSlotNeitherLosesNorRepeatsEvents() {
        PseudoTerminal pty;
        CommPort port;
        QVERIFY(openOn(port, pty));
        port.setRThreshold(1);
        int events = 0;
        QByteArray taken;
        connect(&port, &CommPort::OnComm, this, [&] {
            ++events;
            taken += port.Input();
            if (events == 1) {
                // As the program's Wait does: more characters arrive while events are processed.
                QVERIFY(pty.send("45"));
                QTRY_COMPARE_WITH_TIMEOUT(taken, QByteArray("12345"), WaitMs);
            }
        });
        QVERIFY(pty.send("123"));
        QTRY_COMPARE_WITH_TIMEOUT(events, 5, WaitMs);
        QCOMPARE(taken, QByteArray("12345"));
    }

    void closingPortInSlotDropsTheRemainingEvents() {
        PseudoTerminal pty;
        CommPort port;
        QVERIFY(openOn(port, pty));
        port.setRThreshold(1);
        QSignalSpy events(&port, &CommPort::OnComm);
        connect(&port, &CommPort::OnComm, this, [&] { QVERIFY(port.setPortOpen(false)); });
        QVERIFY(pty.send("SETUP>"));
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 1, WaitMs);
        QCoreApplication::processEvents();
        QCOMPARE(events.size(), 1);
        QCOMPARE(port.InBufferCount(), 0);
    }

    void inBufferCountCountsWaitingCharactersWithoutEventsAtThresholdZero() {
        PseudoTerminal pty;
        CommPort port;
        QVERIFY(openOn(port, pty));
        QCOMPARE(port.RThreshold(), 0);
        QSignalSpy events(&port, &CommPort::OnComm);
        QVERIFY(pty.send("\r\nTernaflow"));
        QTRY_COMPARE_WITH_TIMEOUT(port.InBufferCount(), 11, WaitMs);
        QVERIFY(pty.send(">"));
        QTRY_COMPARE_WITH_TIMEOUT(port.InBufferCount(), 12, WaitMs);
        QCOMPARE(events.size(), 0);
        QCOMPARE(port.Input(), QByteArray("\r\nTernaflow>"));
        QCOMPARE(port.InBufferCount(), 0);
        QCOMPARE(port.Input(), QByteArray());
    }

    void theFourSpeedsAreAcceptedAndSetTheLine_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("speed");
        QTest::newRow("19200") << "19200,n,8,1" << int(B19200);
        QTest::newRow("38400") << "38400,n,8,1" << int(B38400);
        QTest::newRow("57600") << "57600,n,8,1" << int(B57600);
        QTest::newRow("115200") << "115200,n,8,1" << int(B115200);
    }
    void theFourSpeedsAreAcceptedAndSetTheLine() {
        QFETCH(QString, settings);
        QFETCH(int, speed);
        PseudoTerminal pty;
        CommPort port;
        QVERIFY(port.setSettings(settings));
        QCOMPARE(port.Settings(), settings);
        QVERIFY(openOn(port, pty));
        QCOMPARE(int(pty.lineSpeed()), speed);
        // An open port changes speed at once.
        QVERIFY(port.setSettings(QStringLiteral("19200,n,8,1")));
        QCOMPARE(int(pty.lineSpeed()), int(B19200));
        QVERIFY(port.setSettings(settings));
        QCOMPARE(int(pty.lineSpeed()), speed);
    }

    void otherSettingsAreRefusedAndKeepTheCurrentOnes_data() {
        QTest::addColumn<QString>("settings");
        QTest::newRow("9600") << "9600,n,8,1";
        QTest::newRow("even parity") << "115200,e,8,1";
        QTest::newRow("seven bits") << "115200,n,7,1";
        QTest::newRow("two stop bits") << "115200,n,8,2";
        QTest::newRow("speed alone") << "115200";
        QTest::newRow("leading blank") << " 19200,n,8,1";
        QTest::newRow("capital N") << "19200,N,8,1";
        QTest::newRow("empty") << "";
    }
    void otherSettingsAreRefusedAndKeepTheCurrentOnes() {
        QFETCH(QString, settings);
        PseudoTerminal pty;
        CommPort port;
        QVERIFY(openOn(port, pty));
        QVERIFY(port.setSettings(QStringLiteral("57600,n,8,1")));
        QVERIFY(!port.setSettings(settings));
        QCOMPARE(port.Settings(), QStringLiteral("57600,n,8,1"));
        QCOMPARE(int(pty.lineSpeed()), int(B57600));
    }

    void testComPortWritesExactlyTestAndLeavesThePortClosed_data() {
        QTest::addColumn<bool>("openBefore");
        QTest::newRow("port closed before") << false;
        QTest::newRow("port open before") << true;
    }
    void testComPortWritesExactlyTestAndLeavesThePortClosed() {
        QFETCH(bool, openBefore);
        PseudoTerminal pty;
        QVERIFY(pty.isReady());
        CommPort port;
        port.setPortDirectory(directoryWith(m_dir, {{2, pty.devicePath()}}));
        if (openBefore) {
            QVERIFY(port.setCommPort(2));
            QVERIFY(port.setPortOpen(true));
        }
        QVERIFY(radio::TestComPort(port, 2));
        QVERIFY(!port.PortOpen());
        QCOMPARE(port.commPort(), 2);
        QCOMPARE(port.errorString(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(pty.received(), QByteArray("TEST"), WaitMs);
    }

    void testComPortFailsWithoutADevice_data() {
        QTest::addColumn<int>("number");
        QTest::newRow("mapped to a missing path") << 5;
        QTest::newRow("nothing mapped") << 7;
    }
    void testComPortFailsWithoutADevice() {
        QFETCH(int, number);
        CommPort port;
        port.setPortDirectory(
            directoryWith(m_dir, {{5, m_dir.filePath(QStringLiteral("missing/ttyUSB9"))}}));
        QVERIFY(!radio::TestComPort(port, number));
        QVERIFY(!port.PortOpen());
        QCOMPARE(port.errorString(), QString());
    }

    void findComPortsReturnsOnlyThePortsThatPassed() {
        PseudoTerminal pty;
        QVERIFY(pty.isReady());
        CommPort port;
        port.setPortDirectory(directoryWith(
            m_dir, {{3, pty.devicePath()}, {5, m_dir.filePath(QStringLiteral("missing/pts"))}}));
        QCOMPARE(radio::FindComPorts(port), QList<int>{3});
        QVERIFY(!port.PortOpen());
        QCOMPARE(port.commPort(), PortDirectory::PortCount);
        QTRY_COMPARE_WITH_TIMEOUT(pty.received(), QByteArray("TEST"), WaitMs);
    }

    void vanishedDeviceGivesOneLinkErrorPerOpening() {
        PseudoTerminal first;
        CommPort port;
        QVERIFY(openOn(port, first));
        port.setRThreshold(1);
        QSignalSpy linkErrors(&port, &CommPort::linkError);
        QList<int> reasons;
        connect(&port, &CommPort::OnComm, this, [&] { reasons.append(port.CommEvent()); });

        first.closeFarSide();
        // Reading and writing now both fail: one episode all the same.
        QVERIFY(port.Output("RX 902.2\r"));
        QTRY_COMPARE_WITH_TIMEOUT(linkErrors.size(), 1, WaitMs);
        QVERIFY(!port.PortOpen());
        QCOMPARE(reasons.size(), 1);
        QVERIFY(reasons.first() > CommPort::LinkErrorBase);
        QVERIFY(linkErrors.first().first().toString().startsWith(first.devicePath()));
        QVERIFY(!port.Output("RSSI!\r"));
        QCoreApplication::processEvents();
        QCOMPARE(linkErrors.size(), 1);

        PseudoTerminal second;
        QVERIFY(openOn(port, second));
        QVERIFY(port.Output("RSSI!\r"));
        QTRY_COMPARE_WITH_TIMEOUT(second.received(), QByteArray("RSSI!\r"), WaitMs);
        second.closeFarSide();
        QTRY_COMPARE_WITH_TIMEOUT(linkErrors.size(), 2, WaitMs);
        QVERIFY(!port.PortOpen());
    }

    void fallbackDevicesAreOrdered_data() {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<QStringList>("ordered");
        QTest::newRow("USB, then ACM, then S")
            << QStringList{"/dev/ttyS0", "/dev/ttyACM0", "/dev/ttyUSB0"}
            << QStringList{"/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"};
        QTest::newRow("numbers in natural order")
            << QStringList{"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyUSB1", "/dev/ttyS11",
                           "/dev/ttyS3"}
            << QStringList{"/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS3",
                           "/dev/ttyS11"};
        QTest::newRow("other devices last")
            << QStringList{"/dev/rfcomm0", "/dev/ttyAMA0", "/dev/ttyS0", "/dev/ttyACM1"}
            << QStringList{"/dev/ttyACM1", "/dev/ttyS0", "/dev/rfcomm0", "/dev/ttyAMA0"};
        QTest::newRow("names without folder") << QStringList{"ttyS1", "ttyUSB0", "ttyACM0"}
                                              << QStringList{"ttyUSB0", "ttyACM0", "ttyS1"};
        QTest::newRow("none") << QStringList() << QStringList();
    }
    void fallbackDevicesAreOrdered() {
        QFETCH(QStringList, devices);
        QFETCH(QStringList, ordered);
        QCOMPARE(PortDirectory::orderedDevices(devices), ordered);
    }

    void directoryTakesTheSettingsKeysAndNumbersTheOtherDevicesFromOne() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("ports.ini"));
        settings::IniFile ini(path);
        QVERIFY(ini.WriteIni(QStringLiteral("Ports"), QStringLiteral("Com2"),
                             QStringLiteral("/dev/pts/7")));
        const PortDirectory directory(
            path, QStringList{"/dev/ttyS0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyUSB0"});
        const QStringList expected{
            "/dev/ttyUSB0", "/dev/pts/7", "/dev/ttyACM0", "/dev/ttyS0", "", "", "", "", "", ""};
        QCOMPARE(directory.devicePaths(), expected);
        for (int port = 1; port <= PortDirectory::PortCount; ++port)
            QCOMPARE(directory.devicePath(port), expected[port - 1]);
        QCOMPARE(directory.devicePath(0), QString());
        QCOMPARE(directory.devicePath(11), QString());
    }

    void savedPortIsRestored_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::newRow("3") << "3" << 3;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("14") << "14" << 14;
        QTest::newRow("14.4") << "14.4" << 14;
        QTest::newRow("15") << "15" << 0;
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("-2") << "-2" << 0;
        QTest::newRow("NOT SET") << "NOT SET" << 0;
        QTest::newRow("text") << "COM3" << 0;
        QTest::newRow("4 and text") << "4x" << 4;
    }
    void savedPortIsRestored() {
        QFETCH(QString, text);
        QFETCH(int, port);
        QCOMPARE(radio::restoredPort(text), port);
    }

    void savedSpeedIsRestored_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("speed");
        QTest::newRow("2") << "2" << 2;
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("4") << "4" << 4;
        QTest::newRow("5") << "5" << 4;
        QTest::newRow("0") << "0" << 4;
        QTest::newRow("-1") << "-1" << 4;
        QTest::newRow("NOT SET") << "NOT SET" << 4;
        QTest::newRow("2.5 rounds to even") << "2.5" << 2;
        QTest::newRow("4.7 rounds out of range") << "4.7" << 4;
    }
    void savedSpeedIsRestored() {
        QFETCH(QString, text);
        QFETCH(int, speed);
        QCOMPARE(radio::restoredSpeed(text), speed);
    }

    void speedPositionSelectsTheLineSettings_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("settings");
        QTest::newRow("1") << 1 << "19200,n,8,1";
        QTest::newRow("2") << 2 << "38400,n,8,1";
        QTest::newRow("3") << 3 << "57600,n,8,1";
        QTest::newRow("4") << 4 << "115200,n,8,1";
        QTest::newRow("0") << 0 << QString();
        QTest::newRow("5") << 5 << QString();
    }
    void speedPositionSelectsTheLineSettings() {
        QFETCH(int, position);
        QFETCH(QString, settings);
        QCOMPARE(radio::speedSettings(position).value_or(QString()), settings);
        if (!settings.isEmpty()) {
            CommPort port;
            QVERIFY(port.setSettings(settings));
        }
    }

    void simulatedRadioPassesTheProbeAndAnswersTheWakeUp() {
        const QString sim = qEnvironmentVariable("TERNAFLOW_SIM");
        if (sim.isEmpty())
            QSKIP("TERNAFLOW_SIM is not set");
        QProcess radio;
        radio.start(sim, QStringList());
        QVERIFY(radio.waitForStarted(WaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(radio.canReadLine(), WaitMs);
        const QString device = QString::fromLocal8Bit(radio.readLine()).trimmed();

        CommPort port;
        port.setPortDirectory(directoryWith(m_dir, {{1, device}}));
        QCOMPARE(radio::FindComPorts(port), QList<int>{1});
        QVERIFY(port.setCommPort(1));
        QVERIFY(port.setSettings(QStringLiteral("115200,n,8,1")));
        QVERIFY(port.setPortOpen(true));
        port.setRThreshold(1);
        int events = 0;
        QByteArray answer;
        connect(&port, &CommPort::OnComm, this, [&] {
            ++events;
            answer += port.Input();
        });
        QVERIFY(port.Output("\x1b"));
        QVERIFY(port.Output("\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(answer.contains('>'), WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(qsizetype(events), answer.size(), WaitMs);
        QVERIFY(port.setPortOpen(false));

        radio.terminate();
        QVERIFY(radio.waitForFinished(WaitMs));
    }
};

QTEST_GUILESS_MAIN(TestCommPort)
#include "tst_comm_port.moc"
