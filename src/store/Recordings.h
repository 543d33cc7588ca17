#pragma once
// Which tests are being recorded right now, by any program using the database: a row per
// running test with the recording program's host and process and a heartbeat. A test with a
// fresh heartbeat is not deleted; a recording that died leaves a row that goes stale.

#include "store/Database.h"

#include <QString>

namespace viscora {

class Recordings {
public:
    explicit Recordings(Database &db) : db_(db) {}

    // A heartbeat older than this is a recording that ended without saying so.
    static constexpr double kStaleSeconds = 120;
    // How often a running recording renews its heartbeat.
    static constexpr double kBeatSeconds = 10;

    // Each waits at most busyMs for another program's lock (the usual wait when negative).
    DbResult begin(const QString &testName, int busyMs = -1);
    DbResult beat(const QString &testName, int busyMs = -1);
    DbResult end(const QString &testName, int busyMs = -1);
    DbRead<bool> isRecorded(const QString &testName) const;

    // Seconds since the epoch, the heartbeats' clock (shared by every machine using the file).
    static double now();

private:
    Database &db_;
};

} // namespace viscora
