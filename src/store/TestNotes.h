#pragma once
// Notes on a test: what the operator did to the sample and when ("added 2 ppb polymer"), kept
// as the test's events of their own kind beside the gaps, at a time in its running time.

#include "core/Failure.h"
#include "store/TestRepository.h"

#include <vector>

namespace viscora {

extern const char *const kNoteKind;   // "note"
extern const char *const kNotesTitle; // "Notes"
constexpr int kNoteMaxLength = 500;

// The text as it is kept (trimmed), or why it cannot be: blank, too long, or holding a
// control character (a note is one line in every listing).
Result<QString> noteText(const QString &typed);
// A time in the test's running time: seconds from its start, finite and not negative.
Outcome checkNoteTime(double seconds);

// Adds a note to the named test; refuses a bad text or time before anything is written.
Outcome addNote(TestRepository &repo, const QString &testName, double seconds, const QString &typed,
                int busyMs = -1);
// The test's notes in time order.
DbRead<std::vector<TestEvent>> testNotes(const TestRepository &repo, const QString &testName);
std::vector<TestEvent> notesAmong(const std::vector<TestEvent> &events);

// "12.5" for 12.5 s: the time as notes list it, without trailing zeros.
std::string noteTimeText(double seconds);

} // namespace viscora
