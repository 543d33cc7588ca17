#include "store/TestNotes.h"

#include <cmath>

namespace viscora {

const char *const kNoteKind = "note";
const char *const kNotesTitle = "Notes";

Result<QString> noteText(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return Failure{"A note needs a text.", kNotesTitle, {}};
    if (text.size() > kNoteMaxLength)
        return Failure{"A note holds at most " + std::to_string(kNoteMaxLength) + " characters.",
                       kNotesTitle,
                       {}};
    for (const QChar ch : text)
        if (ch.category() == QChar::Other_Control)
            return Failure{"A note is one line: it cannot hold tabs, line breaks or other "
                           "control characters.",
                           kNotesTitle,
                           {}};
    return text;
}

Outcome checkNoteTime(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return Failure{
            "A note's time is in seconds from the test's start, 0 or more.", kNotesTitle, {}};
    return {};
}

Outcome addNote(TestRepository &repo, const QString &testName, double seconds, const QString &typed,
                int busyMs)
{
    const Result<QString> text = noteText(typed);
    if (!text)
        return text.failure();
    if (Outcome t = checkNoteTime(seconds); !t)
        return t;
    const DbResult r =
        repo.addEvent(testName, {seconds, QString::fromLatin1(kNoteKind), *text}, busyMs);
    if (!r)
        return r.failure();
    return {};
}

std::vector<TestEvent> notesAmong(const std::vector<TestEvent> &events)
{
    std::vector<TestEvent> out;
    for (const TestEvent &e : events)
        if (e.kind == QLatin1String(kNoteKind))
            out.push_back(e);
    return out;
}

DbRead<std::vector<TestEvent>> testNotes(const TestRepository &repo, const QString &testName)
{
    auto events = repo.events(testName);
    if (!events)
        return DbRead<std::vector<TestEvent>>::failure(events);
    return notesAmong(*events);
}

std::string noteTimeText(double seconds)
{
    // Qt's number text ignores the locale: a decimal point in every language.
    std::string s = QString::number(seconds, 'f', 3).toStdString();
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.')
        s.pop_back();
    return s;
}

} // namespace viscora
