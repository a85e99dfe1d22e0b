// SPDX-License-Identifier: MIT
// korlan-collect: stores every site's loops from an MQTT broker in the fleet's store.
#include "fleet/store_address.h"
#include "recording/data_folder.h"
#include "tools/collect/collector.h"
#include "tools/shared/termination_signal.h"

#include <QCoreApplication>
#include <QTextStream>

#include <variant>

namespace {

const char* const Help =
    "Usage: korlan-collect [options]\n"
    "Stores every site's loops, as korlan-record --publish sends them, once each.\n"
    "\n"
    "  --broker URL     the MQTT broker: mqtt://[user[:password]@]host[:port][/prefix] or\n"
    "                   mqtts://... (default mqtt://localhost, prefix korlan)\n"
    "  --store STORE    sqlite:PATH or postgresql://[user[:password]@][host][:port][/dbname]\n"
    "                   (default: sqlite:fleet.sqlite in the analyser's Data folder)\n"
    "  --id NAME        the collector's name at the broker, which keeps the loops that come\n"
    "                   while it is away (default korlan-collect)\n"
    "  --ca-file FILE   the CA certificate that signed an mqtts:// broker's\n"
    "  --batch-ms N     how long loops gather before they are stored together (default 100)\n"
    "  --help, --version\n"
    "\n"
    "It runs until SIGINT or SIGTERM. A broker or store that goes away is waited for.\n"
    "Exit status: 0 when everything received was stored, 1 when the store or the broker\n"
    "cannot be used or loops were left unstored, 2 for a usage error.\n";

struct Options {
    QString broker = QStringLiteral("mqtt://localhost");
    QString store;
    QString id = QStringLiteral("korlan-collect");
    QString caFile;
    QString batchMs = QString::number(tools::collect::Collector::DefaultBatchMs);
};

// The options, help or version text (true), or a usage error.
std::variant<Options, QString, bool> parse(const QStringList& arguments, QTextStream& output) {
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            output << Help;
            return true;
        }
        if (name == QLatin1String("--version")) {
            output << "korlan-collect " << QCoreApplication::applicationVersion() << '\n';
            return true;
        }
        QString* value = name == QLatin1String("--broker")     ? &options.broker
                         : name == QLatin1String("--store")    ? &options.store
                         : name == QLatin1String("--id")       ? &options.id
                         : name == QLatin1String("--ca-file")  ? &options.caFile
                         : name == QLatin1String("--batch-ms") ? &options.batchMs
                                                               : nullptr;
        if (!value)
            return QStringLiteral("unknown option %1").arg(name);
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
            return QStringLiteral("%1 needs a value").arg(name);
        *value = arguments[++i];
    }
    return options;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("KorlanSpecAn"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORLAN_VERSION));
    QTextStream output(stdout);
    QTextStream messages(stderr);

    const auto parsed = parse(QCoreApplication::arguments().mid(1), output);
    if (std::holds_alternative<bool>(parsed))
        return 0;
    const auto usage = [&messages](const QString& why) {
        messages << "korlan-collect: " << why << "\nTry 'korlan-collect --help'.\n";
        return 2;
    };
    if (const auto* why = std::get_if<QString>(&parsed))
        return usage(*why);
    Options options = std::get<Options>(parsed);
    const auto broker = fleet::parseBrokerAddress(options.broker);
    if (const auto* why = std::get_if<QString>(&broker))
        return usage(*why);
    bool whole = false;
    const int batchMs = options.batchMs.toInt(&whole);
    if (!whole || batchMs < 1 || batchMs > 60000)
        return usage(QStringLiteral("--batch-ms %1: expected 1 to 60000").arg(options.batchMs));
    if (options.store.isEmpty())
        options.store = fleet::defaultStore(
            recording::locateProgramFolders(QCoreApplication::applicationDirPath()).dataFolder);

    tools::collect::Collector collector(std::get<fleet::BrokerAddress>(broker), options.id,
                                        messages);
    collector.setBatchMs(batchMs);
    if (!tools::onTerminationSignal(
            &collector, [&collector] { QCoreApplication::exit(collector.finish() ? 0 : 1); })) {
        messages << "korlan-collect: no signal channel\n";
        return 1;
    }
    if (!collector.start(options.store, options.caFile))
        return 1;
    return QCoreApplication::exec();
}
