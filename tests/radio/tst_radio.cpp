// SPDX-License-Identifier: MIT
// The radio link: the replies read from the bytes that come back, the serial port on a
// pseudo-terminal, the probe, and the numbering and ordering of the serial devices.
#include "radio/comm_port.h"
#include "radio/port_directory.h"
#include "radio/port_probe.h"
#include "radio/reply_parser.h"
#include "settings/ini_file.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <numeric>
#include <termios.h>
#include <unistd.h>

using radio::CommPort;
using radio::PortDirectory;
using radio::Reply;
using radio::ReplyParser;

namespace {

constexpr int WaitMs = 3000;

const QByteArray Reply902 = QByteArrayLiteral("RX 902.2\r\n-87 dBm\r\nSETUP>");

// Feeds the bytes as the port delivers them: one receive event per chunk, one reply taken per
// event.
QList<Reply> feed(ReplyParser& parser, const QByteArray& bytes, int chunk) {
    QList<Reply> replies;
    for (qsizetype at = 0; at < bytes.size(); at += chunk) {
        parser.append(
            QByteArrayView(bytes).sliced(at, std::min<qsizetype>(chunk, bytes.size() - at)));
        if (auto reply = parser.takeReply())
            replies.append(*reply);
    }
    return replies;
}

// A pseudo-terminal whose device end the port opens; the test plays the far end. The test keeps
// the device end open as well, in raw mode, so that the far end never sees a hang-up when the
// port closes.
class PseudoTerminal {
public:
    // The device path stays empty unless the pair is ready.
    PseudoTerminal() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        m_device = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
        termios mode{};
        if (m_device < 0 || ::tcgetattr(m_device, &mode) != 0)
            return;
        ::cfmakeraw(&mode);
        mode.c_cflag |= CLOCAL | CREAD;
        if (::tcsetattr(m_device, TCSANOW, &mode) == 0)
            m_path = QString::fromLocal8Bit(::ptsname(m_master));
    }
    ~PseudoTerminal() { closeFarSide(); }

    const QString& devicePath() const { return m_path; }
    bool send(const QByteArray& b) { return ::write(m_master, b.data(), b.size()) == b.size(); }
    // Everything that arrived at the far end so far.
    const QByteArray& received() {
        char chunk[4096];
        for (ssize_t n; m_master >= 0 && (n = ::read(m_master, chunk, sizeof chunk)) > 0;)
            m_received.append(chunk, n);
        return m_received;
    }
    int lineSpeed() const {
        termios mode{};
        return ::tcgetattr(m_device, &mode) == 0 ? int(::cfgetospeed(&mode)) : -1;
    }
    // The device goes away as an unplugged adapter does: the port's end is hung up.
    void closeFarSide() {
        ::close(m_master);
        ::close(m_device);
        m_master = m_device = -1;
    }

private:
    int m_master = -1;
    int m_device = -1;
    QString m_path;
    QByteArray m_received;
};

// A new settings file whose section "Ports" holds the given keys, beside the given devices the
// system reports (none by default, so that only the mapped numbers lead anywhere on any machine).
PortDirectory directoryWith(const QTemporaryDir& dir, const QList<std::pair<int, QString>>& ports,
                            const QStringList& present = {}) {
    static int files = 0;
    const QString path = dir.filePath(QStringLiteral("ports-%1.ini").arg(++files));
    settings::IniFile ini(path);
    for (const auto& [port, device] : ports)
        ini.WriteIni(PortDirectory::Section, PortDirectory::portKey(port), device);
    return PortDirectory(path, present);
}

} // namespace

class TestRadio : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // An open port on a fresh pseudo-terminal mapped to "Com 1".
    bool openOn(CommPort& port, const PseudoTerminal& pty) {
        port.setPortDirectory(directoryWith(m_dir, {{1, pty.devicePath()}}));
        return !pty.devicePath().isEmpty() && port.setCommPort(1) && port.setPortOpen(true);
    }

private slots:
    void parsesReplies_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<QString>("read"); // level text, frequency text, channel (-1: none), level
        QTest::addColumn<QByteArray>("left");
        // clang-format off
        QTest::newRow("whole") << Reply902 << 1000 << "-87 902.2 32 -87" << QByteArray();
        // Parsed only once its last character is there: nothing is left over.
        QTest::newRow("one character per event") << Reply902 << 1 << "-87 902.2 32 -87" << QByteArray();
        QTest::newRow("three digit level") << QByteArray("RX 934.0\r\n-105 dBm\r\nSETUP>") << 1000
            << "-105 934.0 191 -105" << QByteArray();
        QTest::newRow("level without blank") << QByteArray("RX 927.6\r\n-99dBm\r\nSETUP>") << 3
            << "-99d 927.6 159 -99" << QByteArray();
        QTest::newRow("noise before") << "#%&~~ zq" + Reply902 << 1 << "-87 902.2 32 -87" << QByteArray();
        QTest::newRow("text after the terminator stays") << Reply902 + "\r\nRX" << 1000
            << "-87 902.2 32 -87" << QByteArray("\r\nRX");
        QTest::newRow("without RX takes the third character on")
            << QByteArray("  915.0  -77 dBm\r\nSETUP>") << 1000 << "-77 915.0 96 -77" << QByteArray();
        QTest::newRow("first reply without any level reads 0")
            << QByteArray("RX 902.2\r\n dBm\r\nSETUP>") << 1000 << " 902.2 32 0" << QByteArray();
        // The echo is shown as it came when it is no finite number, and a frequency that is not
        // finite or lies outside the plan names no channel (-1).
        const auto echo = [](const char* text) { return "RX " + QByteArray(text) + "    \r\n-87 dBm\r\nSETUP>"; };
        QTest::newRow("infinite") << echo("inf") << 1000 << "-87 inf -1 -87" << QByteArray();
        QTest::newRow("not a number") << echo("nan") << 1000 << "-87 nan -1 -87" << QByteArray();
        QTest::newRow("overflows to infinite") << echo("9e999") << 1000 << "-87 9e999 -1 -87" << QByteArray();
        QTest::newRow("huge") << echo("1e30") << 1000 << "-87 1000000000000000019884624838656.0 -1 -87"
            << QByteArray();
        QTest::newRow("above the plan") << echo("934.2") << 1000 << "-87 934.2 -1 -87" << QByteArray();
        QTest::newRow("below the plan") << echo("895.6") << 1000 << "-87 895.6 -1 -87" << QByteArray();
        // clang-format on
    }
    void parsesReplies() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, chunk);
        ReplyParser parser;
        const QList<Reply> replies = feed(parser, bytes, chunk);
        QCOMPARE(replies.size(), 1);
        const Reply& r = replies[0];
        QTEST(QStringList({r.levelText, r.frequencyText,
                           QString::number(r.channelIndex.value_or(-1)), QString::number(r.level)})
                  .join(' '),
              "read");
        QTEST(parser.RxBuffer(), "left");
    }

    // A reply's level and frequency come from its own text, between the previous terminator and
    // its own, even while the next reply already waits in the buffer. A reply without "-" keeps
    // the level of the reply before it; one without "RX" reads its frequency from its third
    // character on, and one whose frequency is 0 names no channel.
    void eachReplyIsReadFromItsOwnText_data() {
        QTest::addColumn<QByteArray>("waiting");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("index"); // -1: no channel
        const QByteArray next = QByteArrayLiteral("RX 902.4\r\n-91 dBm\r\nSETUP>");
        // clang-format off
        QTest::newRow("complete") << QByteArray("RX 915.0\r\n-77 dBm\r\nSETUP>") + next << -77 << 96;
        QTest::newRow("without level") << QByteArray("RX 915.0\r\n## dBm\r\nSETUP>") + next << -87 << 96;
        QTest::newRow("without echo") << QByteArray("  915.0  -77 dBm\r\nSETUP>") + next << -77 << 96;
        QTest::newRow("without echo or number") << QByteArray("-77 dBm\r\nSETUP>") + next << -77 << -1;
        QTest::newRow("nothing but the terminator") << QByteArray("dBm\r\nSETUP>") + next << -87 << -1;
        // clang-format on
    }
    void eachReplyIsReadFromItsOwnText() {
        QFETCH(QByteArray, waiting);
        ReplyParser parser;
        parser.append(Reply902);
        QCOMPARE(parser.takeReply()->level, -87);
        parser.append(waiting);
        const Reply reply = *parser.takeReply();
        QTEST(reply.level, "level");
        QTEST(reply.channelIndex.value_or(-1), "index");
        const Reply following = *parser.takeReply();
        QCOMPARE(following.level, -91);
        QCOMPARE(following.channelIndex.value(), 33);
        QVERIFY(!parser.takeReply());
        QVERIFY(parser.RxBuffer().isEmpty());
    }

    void noiseKeepsTheBufferBoundedAndAReplyAfterItSurvives() {
        ReplyParser parser;
        QByteArray noise(1 << 20, '\0');
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char('a' + (i * 7919) % 23);
        for (qsizetype at = 0; at < noise.size(); at += 4099) {
            parser.append(
                QByteArrayView(noise).sliced(at, std::min<qsizetype>(4099, noise.size() - at)));
            QVERIFY(!parser.takeReply());
            QVERIFY(parser.RxBuffer().size() <= ReplyParser::MaxBufferLength);
        }
        const QList<Reply> replies = feed(parser, Reply902, 1);
        QCOMPARE(replies.size(), 1);
        QCOMPARE(replies[0].level, -87);
        QCOMPARE(replies[0].channelIndex.value(), 32);
    }

    // Text goes out unchanged. Coming back, each character raises one event from threshold 1,
    // none at threshold 0, and the first Input() takes all; closing the port in that slot drops
    // the events still to come.
    void bytesPassUnchangedAndTheFirstInputTakesThemAll_data() {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<bool>("closeInSlot");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray everyByte;
        for (int b = 0; b < 256; ++b)
            everyByte += char(b);
        QTest::newRow("every byte value") << 1 << false << everyByte;
        QTest::newRow("threshold 0") << 0 << false << QByteArrayLiteral("\x1b\r\nTernaflow>");
        QTest::newRow("port closed in the slot") << 1 << true << QByteArrayLiteral("SETUP>");
    }
    void bytesPassUnchangedAndTheFirstInputTakesThemAll() {
        QFETCH(int, threshold);
        QFETCH(bool, closeInSlot);
        QFETCH(QByteArray, bytes);
        PseudoTerminal pty;
        CommPort port;
        QVERIFY(openOn(port, pty));
        QVERIFY(port.Output(bytes));
        QTRY_COMPARE_WITH_TIMEOUT(pty.received(), bytes, WaitMs);
        port.setRThreshold(threshold);
        QList<QByteArray> taken;
        connect(&port, &CommPort::OnComm, this, [&] {
            QCOMPARE(port.CommEvent(), CommPort::DataReceived);
            taken.append(port.Input());
            QVERIFY(!closeInSlot || port.setPortOpen(false));
        });
        QVERIFY(pty.send(bytes));
        if (threshold == 0) {
            QTRY_COMPARE_WITH_TIMEOUT(port.InBufferCount(), bytes.size(), WaitMs);
            taken.append(port.Input());
        }
        const qsizetype events = threshold == 0 || closeInSlot ? 1 : bytes.size();
        QTRY_COMPARE_WITH_TIMEOUT(taken.size(), events, WaitMs);
        QCoreApplication::processEvents();
        QCOMPARE(taken.size(), events);
        QCOMPARE(taken.first(), bytes);
        QCOMPARE(taken.mid(1), QList<QByteArray>(events - 1));
        QCOMPARE(port.InBufferCount(), 0);
    }

    // Speed 0: refused, the settings stay. The position is the "Scan Speed" one that selects the
    // settings, none for the refused ones.
    void onlyTheFourSpeedsAreAcceptedAndSetTheLine_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("position");
        QTest::newRow("19200") << "19200,n,8,1" << int(B19200) << 1;
        QTest::newRow("38400") << "38400,n,8,1" << int(B38400) << 2;
        QTest::newRow("57600") << "57600,n,8,1" << int(B57600) << 3;
        QTest::newRow("115200") << "115200,n,8,1" << int(B115200) << 4;
        QTest::newRow("9600") << "9600,n,8,1" << 0 << 0;
        QTest::newRow("even parity") << "115200,e,8,1" << 0 << 5;
        QTest::newRow("seven bits") << "115200,n,7,1" << 0 << 0;
        QTest::newRow("leading blank") << " 19200,n,8,1" << 0 << 0;
        QTest::newRow("capital N") << "19200,N,8,1" << 0 << 0;
        QTest::newRow("empty") << "" << 0 << 0;
    }
    void onlyTheFourSpeedsAreAcceptedAndSetTheLine() {
        QFETCH(QString, settings);
        QFETCH(int, speed);
        QFETCH(int, position);
        const bool accepted = speed != 0;
        QCOMPARE(radio::speedSettings(position).value_or(QString()), accepted ? settings : "");
        PseudoTerminal pty;
        CommPort port;
        QCOMPARE(port.setSettings(settings), accepted);
        QVERIFY(openOn(port, pty));
        QCOMPARE(pty.lineSpeed(), accepted ? speed : int(B9600));
        // An open port changes speed at once.
        QVERIFY(port.setSettings(QStringLiteral("57600,n,8,1")));
        QCOMPARE(port.setSettings(settings), accepted);
        QCOMPARE(port.Settings(), accepted ? settings : QStringLiteral("57600,n,8,1"));
        QCOMPARE(pty.lineSpeed(), accepted ? speed : int(B57600));
    }

    void probeWritesExactlyTestOnlyToLiveDevicesAndLeavesThePortClosed() {
        PseudoTerminal pty;
        CommPort port;
        port.setPortDirectory(directoryWith(
            m_dir, {{2, pty.devicePath()}, {5, m_dir.filePath(QStringLiteral("missing/tty"))}}));
        QVERIFY(port.setCommPort(2) && port.setPortOpen(true));
        QVERIFY(radio::TestComPort(port, 2)); // from the port open
        QVERIFY(!port.PortOpen());
        QTRY_COMPARE_WITH_TIMEOUT(pty.received(), QByteArray("TEST"), WaitMs);
        QCOMPARE(radio::FindComPorts(port), QList<int>{2}); // 5 and 7 fail
        QCOMPARE(port.commPort(), PortDirectory::PortCount);
        QTRY_COMPARE_WITH_TIMEOUT(pty.received(), QByteArray("TESTTEST"), WaitMs);
    }

    void vanishedDeviceGivesOneLinkErrorPerOpening() {
        PseudoTerminal first;
        CommPort port;
        QVERIFY(openOn(port, first));
        QSignalSpy linkErrors(&port, &CommPort::linkError);
        QSignalSpy events(&port, &CommPort::OnComm);
        first.closeFarSide();
        // Reading and writing now both fail: one episode all the same.
        QVERIFY(port.Output("RX 902.2\r"));
        QTRY_COMPARE_WITH_TIMEOUT(linkErrors.size(), 1, WaitMs);
        QVERIFY(!port.PortOpen());
        QCOMPARE(events.size(), 1);
        QVERIFY(port.CommEvent() > CommPort::LinkErrorBase);
        QCoreApplication::processEvents();
        QCOMPARE(linkErrors.size(), 1);
        // Opening again starts a new episode.
        PseudoTerminal second;
        QVERIFY(openOn(port, second));
        second.closeFarSide();
        QTRY_COMPARE_WITH_TIMEOUT(linkErrors.size(), 2, WaitMs);
    }

    // Unmapped numbers take the n-th device present in this order, whatever order the system
    // lists them in; "Com2" is mapped here. Only ASCII digits count as digits.
    void devicesAreOrderedAndNumberedFromOne_data() {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<QStringList>("ordered");
        QTest::newRow("USB, ACM, S, then others")
            << QStringList{"/dev/rfcomm0", "ttyAMA0", "/dev/ttyS0", "ttyACM1", "/dev/ttyUSB0"}
            << QStringList{"/dev/ttyUSB0", "ttyACM1", "/dev/ttyS0", "/dev/rfcomm0", "ttyAMA0"};
        QTest::newRow("numbers in natural order")
            << QStringList{"ttyUSB10", "/dev/ttyUSB2", "ttyUSB1", "/dev/ttyS11", "ttyS3"}
            << QStringList{"ttyUSB1", "/dev/ttyUSB2", "ttyUSB10", "ttyS3", "/dev/ttyS11"};
        QTest::newRow("other scripts' digits are characters")
            << QStringList{QStringLiteral("ttyS\u0660"), QStringLiteral("ttyS0\u0661"), "ttySa",
                           "ttyS2"}
            << QStringList{QStringLiteral("ttyS0\u0661"), "ttyS2", "ttySa",
                           QStringLiteral("ttyS\u0660")};
    }
    void devicesAreOrderedAndNumberedFromOne() {
        QFETCH(QStringList, devices);
        QFETCH(QStringList, ordered);
        QList<int> order(devices.size());
        std::iota(order.begin(), order.end(), 0);
        do {
            QStringList listed;
            for (const int i : order)
                listed.append(devices[i]);
            QCOMPARE(PortDirectory::orderedDevices(listed), ordered);
        } while (std::next_permutation(order.begin(), order.end()));
        QStringList expected = ordered + QStringList(PortDirectory::PortCount - ordered.size());
        expected[1] = QStringLiteral("/dev/pts/7");
        const PortDirectory directory = directoryWith(m_dir, {{2, expected[1]}}, devices);
        QCOMPARE(directory.devicePaths(), expected);
        for (int port = 0; port <= PortDirectory::PortCount + 1; ++port)
            QCOMPARE(directory.devicePath(port), expected.value(port - 1));
    }

    void savedPortAndSpeedAreRestored_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("speed");
        QTest::newRow("5") << "5" << 5 << 4;
        QTest::newRow("14.4") << "14.4" << 14 << 4;
        QTest::newRow("15") << "15" << 0 << 4;
        QTest::newRow("NOT SET") << "NOT SET" << 0 << 4;
        QTest::newRow("4 and text") << "4x" << 4 << 4;
        QTest::newRow("2.5 rounds to even") << "2.5" << 2 << 2;
        QTest::newRow("4.7 rounds out of the speeds") << "4.7" << 5 << 4;
    }
    void savedPortAndSpeedAreRestored() {
        QFETCH(QString, text);
        QFETCH(int, port);
        QFETCH(int, speed);
        QCOMPARE(radio::restoredPort(text), port);
        QCOMPARE(radio::restoredSpeed(text), speed);
    }
};

QTEST_GUILESS_MAIN(TestRadio)
#include "tst_radio.moc"
