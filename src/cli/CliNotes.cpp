// viscora-cli note and notes: notes on a saved (or running) test.

#include "cli/CliContext.h"

#include "rheology/JsonWriter.h"
#include "store/TestNotes.h"

namespace viscora::cli {

void checkNote(const Context &, const Args &a)
{
    numberArg("TIME", a.positional[1], "of seconds from the test's start, 0 or more", notNegative);
}

int cmdNote(Context &c, const Args &a)
{
    const QString name = QString::fromStdString(a.positional[0]);
    if (!requireTest(c, name))
        return 1;
    // The words of an unquoted text are one note.
    std::string text;
    for (std::size_t i = 2; i < a.positional.size(); ++i)
        text += (i > 2 ? " " : "") + a.positional[i];
    TestRepository repo(*c.db);
    if (const Outcome o =
            addNote(repo, name, numberOf(a.positional[1]), QString::fromStdString(text));
        !o)
        return c.failed(o.failure());
    return 0;
}

int cmdNotes(Context &c, const Args &a)
{
    const std::string &name = a.positional[0];
    if (!requireTest(c, QString::fromStdString(name)))
        return 1;
    const auto notes = testNotes(TestRepository(*c.db), QString::fromStdString(name));
    if (!notes)
        return c.failed(notes.failure());
    if (a.has("--json")) {
        rheology::JsonWriter w;
        w.open('{');
        w.key("test");
        w.string(name);
        w.key("notes");
        w.open('[');
        for (const TestEvent &n : *notes) {
            w.open('{');
            w.member("time", n.time);
            w.key("text");
            w.string(n.text.toStdString());
            w.close('}');
        }
        w.close(']');
        w.close('}');
        c.out << w.take() << '\n';
        return 0;
    }
    for (const TestEvent &n : *notes)
        c.out << noteTimeText(n.time) << '\t' << oneLine(n.text) << '\n';
    return 0;
}

} // namespace viscora::cli
