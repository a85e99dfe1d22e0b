// SPDX-License-Identifier: MIT
#include "survey/channel_span.h"

namespace survey {

ChannelSpan OutOfRangeChannels::span() const {
    int first = 0;
    while (first < scan::ChannelCount && m_marked[first])
        ++first;
    if (first == scan::ChannelCount)
        return {};
    int last = scan::ChannelCount - 1;
    while (m_marked[last])
        --last;
    return {first, last};
}

} // namespace survey
