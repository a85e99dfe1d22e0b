// SPDX-License-Identifier: MIT
#include "radio/reply_parser.h"

#include <QTest>

using radio::Reply;
using radio::ReplyParser;

namespace {

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

} // namespace

class TestReplyParser : public QObject {
    Q_OBJECT

private slots:
    void parsesReplies_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<QString>("read"); // level text, frequency text, channel, level
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
        // clang-format on
    }
    void parsesReplies() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, chunk);
        ReplyParser parser;
        const QList<Reply> replies = feed(parser, bytes, chunk);
        QCOMPARE(replies.size(), 1);
        const Reply& r = replies[0];
        QTEST(QStringList({r.levelText, r.frequencyText, QString::number(r.channelIndex.value()),
                           QString::number(r.level)})
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

    // The echo is shown as it came when it is no finite number, and a frequency that is not
    // finite or lies outside the plan names no channel.
    void badFrequencyNamesNoChannel_data() {
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<QString>("text");
        QTest::newRow("infinite") << QByteArray("inf") << "inf";
        QTest::newRow("not a number") << QByteArray("nan") << "nan";
        QTest::newRow("overflows to infinite") << QByteArray("9e999") << "9e999";
        QTest::newRow("huge") << QByteArray("1e30") << "1000000000000000019884624838656.0";
        QTest::newRow("above the plan") << QByteArray("934.2") << "934.2";
        QTest::newRow("below the plan") << QByteArray("895.6") << "895.6";
    }
    void badFrequencyNamesNoChannel() {
        QFETCH(QByteArray, echo);
        ReplyParser parser;
        parser.append("RX " + echo + "    \r\n-87 dBm\r\nSETUP>");
        const Reply reply = *parser.takeReply();
        QTEST(reply.frequencyText, "text");
        QVERIFY(!reply.channelIndex);
    }

    void closedIsSeenWhenSplitAcrossEvents() {
        ReplyParser parser;
        feed(parser, QByteArrayLiteral("xxCLO"), 1);
        QVERIFY(!parser.containsClosed());
        feed(parser, QByteArrayLiteral("SED\r\n"), 1);
        QVERIFY(parser.containsClosed());
        parser.clear();
        QVERIFY(!parser.containsClosed());
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
};

QTEST_APPLESS_MAIN(TestReplyParser)
#include "tst_reply_parser.moc"
