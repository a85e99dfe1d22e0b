// SPDX-License-Identifier: MIT
// The reply parser: any byte stream, split at any points, gives the same replies, and each reply
// reads as its own text (from the previous terminator to its own) reads after the replies before
// it, whatever waits behind it.
#include "core/conventions.h"
#include "radio/reply_parser.h"
#include "scan/channel_plan.h"
#include "tests/fuzz/fuzz_check.h"

#include <cmath>

namespace {

using radio::Reply;
using radio::ReplyParser;

bool same(const Reply& a, const Reply& b) {
    const bool sameFrequency =
        a.frequency == b.frequency || (std::isnan(a.frequency) && std::isnan(b.frequency));
    return a.levelText == b.levelText && a.frequencyText == b.frequencyText && sameFrequency &&
           a.channelIndex == b.channelIndex && a.level == b.level;
}

QList<Reply> takeAll(ReplyParser& parser) {
    QList<Reply> replies;
    while (const auto reply = parser.takeReply())
        replies.append(*reply);
    return replies;
}

void checkReadings(const Reply& reply) {
    FUZZ_CHECK(reply.level <= 0);
    if (reply.channelIndex) {
        FUZZ_CHECK(scan::isChannelIndex(*reply.channelIndex));
        FUZZ_CHECK(std::isfinite(reply.frequency) && reply.frequency != 0);
        FUZZ_CHECK(scan::channelIndexFromMhz(reply.frequency) == reply.channelIndex);
    }
    if (inDecimalPattern(reply.frequencyText, 3))
        FUZZ_CHECK(core::formatFreq(core::Val(reply.frequencyText)) == reply.frequencyText);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    QList<qsizetype> chunks;
    for (int splits = input.byte() % 16; splits > 0; --splits)
        chunks.append(1 + input.byte());
    // Within one buffer's length nothing is cut for being too long.
    const QByteArray stream = input.rest().left(ReplyParser::MaxBufferLength);

    ReplyParser whole;
    whole.append(stream);
    const QList<Reply> replies = takeAll(whole);

    ReplyParser split;
    QList<Reply> splitReplies;
    for (qsizetype at = 0, chunk = 0; at < stream.size(); ++chunk) {
        const qsizetype length = chunks.isEmpty() ? stream.size() : chunks[chunk % chunks.size()];
        split.append(QByteArrayView(stream).sliced(at, std::min(length, stream.size() - at)));
        at += length;
        splitReplies += takeAll(split);
    }
    FUZZ_CHECK(splitReplies.size() == replies.size());
    for (qsizetype i = 0; i < replies.size(); ++i)
        FUZZ_CHECK(same(splitReplies[i], replies[i]));
    FUZZ_CHECK(split.RxBuffer() == whole.RxBuffer());
    FUZZ_CHECK(split.containsClosed() == whole.containsClosed());

    ReplyParser alone;
    qsizetype start = 0;
    for (const Reply& reply : replies) {
        const qsizetype terminator = stream.indexOf(ReplyParser::Terminator, start);
        FUZZ_CHECK(terminator >= 0);
        const qsizetype end = terminator + ReplyParser::Terminator.size();
        alone.append(QByteArrayView(stream).sliced(start, end - start));
        const auto own = alone.takeReply();
        FUZZ_CHECK(own && same(*own, reply));
        checkReadings(reply);
        start = end;
    }
    FUZZ_CHECK(whole.RxBuffer() == stream.mid(start));
    FUZZ_CHECK(whole.containsClosed() == whole.RxBuffer().contains("CLOSED"));
    return 0;
}
