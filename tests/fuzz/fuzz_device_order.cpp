// SPDX-License-Identifier: MIT
// The ordering of serial devices is a total order, so the devices that "Com 1" ... "Com 10" name
// never depend on the order in which the system lists them.
#include "radio/port_directory.h"
#include "tests/fuzz/fuzz_check.h"

#include <algorithm>

namespace {

using radio::PortDirectory;

constexpr int MaxDevices = 8;

bool before(const QString& a, const QString& b) {
    return a != b && PortDirectory::orderedDevices({b, a}).first() == a;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t how = input.byte();
    QStringList devices;
    for (const QByteArray& part : input.rest().split('\n').mid(0, MaxDevices))
        devices.append(textFrom(part, how));

    const qsizetype n = devices.size();
    QList<QList<bool>> less(n, QList<bool>(n));
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j) {
            less[i][j] = before(devices[i], devices[j]);
            FUZZ_CHECK(less[i][j] == (devices[i] != devices[j] && !before(devices[j], devices[i])));
        }
    }
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j)
            for (qsizetype k = 0; k < n; ++k)
                FUZZ_CHECK(!(less[i][j] && less[j][k]) || less[i][k]);
    }

    const QStringList ordered = PortDirectory::orderedDevices(devices);
    for (qsizetype i = 0; i + 1 < ordered.size(); ++i)
        FUZZ_CHECK(!before(ordered[i + 1], ordered[i]));
    QStringList reversed = devices;
    std::reverse(reversed.begin(), reversed.end());
    FUZZ_CHECK(PortDirectory::orderedDevices(reversed) == ordered);
    QStringList rotated = devices;
    if (!rotated.isEmpty())
        std::rotate(rotated.begin(), rotated.begin() + 1, rotated.end());
    FUZZ_CHECK(PortDirectory::orderedDevices(rotated) == ordered);
    return 0;
}
