// SPDX-License-Identifier: MIT
// The scan-name rules on any text: the prompt's name ends in ".dat" and keeps it; a name the check
// accepts is saved into the Data folder under exactly that name and listed there; a refusal is a
// sentence; the default name passes the check for any attenuation text.
#include "recording/data_folder.h"
#include "recording/scan_library.h"
#include "recording/scan_names.h"
#include "tests/fuzz/fuzz_check.h"

#include <QDir>

namespace {

using namespace recording;

void checkSaving(const QString& name) {
    static const QString data = fuzzFolder().filePath(DataFolderName);
    QDir().mkpath(data);
    const QByteArray recorded(604, 'r');
    FUZZ_CHECK(testing::writeFile(QDir(data).filePath(RecordingFileName), recorded));
    const SaveResult saved = SaveLastScan(data, name);
    FUZZ_CHECK(saved.ok);
    FUZZ_CHECK(saved.savedName == name);
    FUZZ_CHECK(FillScanList(data) == QStringList{name});
    FUZZ_CHECK(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot) ==
               QStringList{name});
    FUZZ_CHECK(deleteScans(data, {name}).isEmpty());
    FUZZ_CHECK(QDir(data).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t how = input.byte();
    const QDateTime now(QDate(1970 + input.byte() % 100, 1 + input.byte() % 12, 1),
                        QTime(input.byte() % 24, input.byte() % 60, input.byte() % 60));
    const QString typed = textFrom(input.rest(), how);

    const QString name = saveNameFromPrompt(typed);
    FUZZ_CHECK(name.isEmpty() == typed.isEmpty());
    FUZZ_CHECK(name.isEmpty() || name.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive));
    FUZZ_CHECK(saveNameFromPrompt(name) == name);

    if (const auto refusal = checkSaveName(name))
        FUZZ_CHECK(!refusal->isEmpty() && refusal->endsWith(QLatin1Char('.')));
    else
        checkSaving(name);

    const QString defaultName = defaultScanName(now, typed);
    FUZZ_CHECK(!checkSaveName(defaultName));
    return 0;
}
