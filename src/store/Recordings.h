#pragma once
// Which tests are being recorded right now, by any program using the database. A recording
// holds a lock that dies with it: on a server an advisory lock of its session, on a file a
// lock on a file beside the database. So a live recording is never taken for a dead one,
// whatever the clocks say or however long the database was busy, and one killed frees its
// test at once. A row per running test (host, process, heartbeat) says who records it; where
// no lock can be had, a fresh heartbeat stands for it.

#include "store/Database.h"

#include <QString>

#include <optional>

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
    // Lets go of the lock of a recording whose mark was never made (begin failed throughout).
    void release(const QString &testName);
    DbRead<bool> isRecorded(const QString &testName) const;
    // A failure while the test is recorded: "the test "NAME" is being recorded; it can be
    // <done> once its recording has ended".
    DbResult refuseWhileRecorded(const QString &testName, const char *done) const;
    // Whether a recording of the test holds its lock: this program's, or another's. nullopt
    // when that cannot be told (the lock file cannot be opened).
    std::optional<bool> lockHeld(const QString &testName) const;

    // Seconds since the epoch, the heartbeats' clock (shared by every machine using the file).
    static double now();

private:
    Database &db_;
};

} // namespace viscora
