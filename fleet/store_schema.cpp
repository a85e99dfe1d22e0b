// SPDX-License-Identifier: MIT
#include "fleet/store_schema.h"

namespace fleet {

namespace {

// %1: a 64-bit integer type, %2: a double.
const char* const Tables[] = {
    "CREATE TABLE IF NOT EXISTS sites (site TEXT PRIMARY KEY, status TEXT NOT NULL, "
    "version TEXT NOT NULL DEFAULT '', last_seen %1)",
    "CREATE TABLE IF NOT EXISTS scans (site TEXT NOT NULL, scan TEXT NOT NULL, "
    "attenuation INTEGER NOT NULL, first_start %1 NOT NULL, utc_offset INTEGER NOT NULL, "
    "PRIMARY KEY (site, scan))",
    "CREATE TABLE IF NOT EXISTS loops (site TEXT NOT NULL, scan TEXT NOT NULL, loop INTEGER NOT "
    "NULL, "
    "start_utc %1 NOT NULL, utc_offset INTEGER NOT NULL, attenuation INTEGER NOT NULL, "
    "first_mhz %2 NOT NULL, step_mhz %2 NOT NULL, last_dbm TEXT NOT NULL, peak_dbm TEXT NOT NULL, "
    "average_dbm TEXT NOT NULL, PRIMARY KEY (site, scan, loop))",
    "CREATE INDEX IF NOT EXISTS loops_site_start ON loops (site, start_utc)",
};

// The three arrays walked side by side, one row per element.
const char* const PostgresqlView =
    "CREATE OR REPLACE VIEW levels AS SELECT to_timestamp(l.start_utc) AS \"time\", l.site, "
    "l.scan, l.loop, round((l.first_mhz + l.step_mhz * (e.n - 1))::numeric, 1) AS frequency_mhz, "
    "e.last_dbm::integer AS last_dbm, e.peak_dbm::integer AS peak_dbm, "
    "e.average_dbm::integer AS average_dbm "
    "FROM loops l CROSS JOIN LATERAL ROWS FROM (jsonb_array_elements_text(l.last_dbm::jsonb), "
    "jsonb_array_elements_text(l.peak_dbm::jsonb), "
    "jsonb_array_elements_text(l.average_dbm::jsonb)) WITH ORDINALITY "
    "AS e(last_dbm, peak_dbm, average_dbm, n)";

const char* const SqliteView =
    "CREATE VIEW IF NOT EXISTS levels AS SELECT datetime(l.start_utc, 'unixepoch') AS \"time\", "
    "l.site, l.scan, l.loop, round(l.first_mhz + l.step_mhz * e.key, 1) AS frequency_mhz, "
    "e.value AS last_dbm, json_extract(l.peak_dbm, '$[' || e.key || ']') AS peak_dbm, "
    "json_extract(l.average_dbm, '$[' || e.key || ']') AS average_dbm "
    "FROM loops l, json_each(l.last_dbm) e";

} // namespace

QStringList schemaStatements(StoreAddress::Kind kind) {
    const bool postgresql = kind == StoreAddress::Kind::Postgresql;
    QStringList statements;
    for (const char* table : Tables)
        statements << QString::fromLatin1(table)
                          .replace(QLatin1String("%1"),
                                   postgresql ? QLatin1String("BIGINT") : QLatin1String("INTEGER"))
                          .replace(QLatin1String("%2"), postgresql
                                                            ? QLatin1String("DOUBLE PRECISION")
                                                            : QLatin1String("REAL"));
    if (postgresql) {
        // Grafana filters the view on its time column.
        statements << QStringLiteral(
            "CREATE INDEX IF NOT EXISTS loops_time ON loops (to_timestamp(start_utc))");
        statements << QString::fromLatin1(PostgresqlView);
    } else {
        statements << QString::fromLatin1(SqliteView);
    }
    return statements;
}

} // namespace fleet
