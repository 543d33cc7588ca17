// Tools > Copy Tests To Database in the main window, offscreen, every box through the scripted
// prompter; the targets are real files and a database on the test run's server.

#include "app/frmCopyDatabase.h"
#include "app/frmMain.h"
#include "core/Module1.h"
#include "app/DatabaseLocator.h"
#include "store/SequenceRepository.h"
#include "support/AltKeys.h"
#include "support/FakeClock.h"
#include "support/Must.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

// The main window over a database of one test and one sequence.
struct Window {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    FakeClock clock;
    ScriptedPort port{clock};
    std::unique_ptr<frmMain> w;
    // What the target dialog does while it is up; unset, it is cancelled.
    std::function<void(frmCopyDatabase &)> onDialog;
    std::vector<QString> dialogs;

    Window()
    {
        t.addTest("ramp", {point(1, 300, 100, 600, 900), point(2, 30, 200, 100, 300)});
        int id = 0;
        EXPECT_TRUE(
            SequenceRepository(*t.db).createSequence("Quick", 1, {{1, 600, 100, 100, 10}}, id).ok);
        const QString path = t.path;
        w = std::make_unique<frmMain>(
            MainWindowDeps{m,
                           p,
                           clock,
                           port,
                           nullptr,
                           nullptr,
                           nullptr,
                           nullptr,
                           nullptr,
                           [path] {
                               Located l;
                               l.db = Database::open(path, Database::OpenMode::MustExist).db;
                               l.status = Located::Status::Opened;
                               return l;
                           },
                           {},
                           {},
                           nullptr});
        w->runDialog = [this](QDialog &d) {
            dialogs.push_back(d.windowTitle());
            auto *copy = qobject_cast<frmCopyDatabase *>(&d);
            if (copy && onDialog)
                onDialog(*copy);
            else if (copy)
                copy->cmdCancel->click();
            return d.result();
        };
        EXPECT_TRUE(w->Form_Load());
    }

    // Copies into a typed location and returns the one box shown afterwards.
    Shown copyInto(const QString &location)
    {
        onDialog = [&](frmCopyDatabase &d) {
            d.txtTarget->setText(location);
            d.cmdOk->click();
        };
        const size_t before = p.shown.size();
        w->MenuToolsCopyDatabase->trigger();
        EXPECT_EQ(p.shown.size(), before + 1);
        return p.shown.empty() ? Shown{} : p.shown.back();
    }
};

QStringList testsIn(const QString &location)
{
    auto db = Database::open(location, Database::OpenMode::MustExist).db;
    return db ? must(TestRepository(*db).testNames()) : QStringList{"(not opened)"};
}

} // namespace

TEST(CopyTestsToDatabase, IsAnItemOfTheToolsMenu)
{
    Window win;
    QStringList items;
    for (QAction *a : win.w->MenuTools->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{"&Serial Ports...", "&Database...", "&Copy Tests To Database...",
                                  "", "Calibration &Fluids…", "Calibration &History…"}));
    EXPECT_TRUE(win.w->MenuToolsCopyDatabase->isEnabled());
}

TEST(CopyTestsToDatabase, IntoAFileChosenWithTheSaveDialogThenIntoItAgain)
{
    Window win;
    const QString into = win.t.dir.filePath("lab.mdb");
    win.p.files = {into.toStdString(), into.toStdString()};
    bool okBefore = true;
    win.onDialog = [&](frmCopyDatabase &d) {
        okBefore = d.cmdOk->isEnabled();
        EXPECT_EQ(altKeyClashes(d), "");
        d.cmdFile->click();
        EXPECT_EQ(d.txtTarget->text(), into);
        d.cmdOk->click();
    };
    win.w->MenuToolsCopyDatabase->trigger();
    EXPECT_FALSE(okBefore); // nothing to copy into yet
    EXPECT_EQ(win.dialogs, (std::vector<QString>{"Copy Tests To Database"}));
    ASSERT_EQ(win.p.fileRequests.size(), 1u);
    const FileDialogRequest &asked = win.p.fileRequests[0];
    EXPECT_EQ(asked.title, "Copy Tests To Database");
    EXPECT_EQ(asked.filter, "Databases (*.mdb)|*.mdb|All files (*)|*");
    EXPECT_EQ(asked.proposedName, "k7400r.mdb");
    // The chosen file is added to, not replaced: no question about replacing it.
    EXPECT_FALSE(asked.confirmOverwrite);
    ASSERT_EQ(win.p.shown.size(), 1u);
    EXPECT_EQ(win.p.shown[0].text, "Copied 1 test (2 points, 0 events) and 1 sequence (1 step) "
                                   "into " +
                                       into.toStdString() + ".");
    EXPECT_EQ(win.p.shown[0].title, "Copy Tests To Database");
    EXPECT_EQ(win.p.shown[0].icon, Icon::Information);

    // Again into the same file: after what it holds now, the taken names suffixed.
    win.w->MenuToolsCopyDatabase->trigger();
    ASSERT_EQ(win.p.shown.size(), 2u);
    EXPECT_EQ(win.p.shown[1].title, "Copy Tests To Database");
    EXPECT_EQ(testsIn(into), (QStringList{"ramp", "ramp (2)"}));
}

TEST(CopyTestsToDatabase, IntoAServerTypedIn)
{
    Window win;
    PgDatabase server;
    const Shown shown = win.copyInto("  " + server.url + " ");
    EXPECT_EQ(shown.text, "Copied 1 test (2 points, 0 events) and 1 sequence (1 step) into " +
                              server.url.toStdString() + ".");
    EXPECT_EQ(shown.title, "Copy Tests To Database");
    EXPECT_EQ(testsIn(server.url), QStringList{"ramp"});
}

TEST(CopyTestsToDatabase, FailuresAreShownAndNothingIsCopied)
{
    Window win;
    const QString text = win.t.dir.filePath("notes.mdb");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    const struct {
        QString location;
        std::string message; // its start
    } cases[] = {
        {win.t.path, "A database cannot be copied into itself. Nothing was copied from " +
                         win.t.path.toStdString() + " into " + win.t.path.toStdString() + "."},
        {text, "The database to copy into (" + text.toStdString() + ") could not be opened: "},
        {"postgresql://nobody@/none?host=" + win.t.dir.path() + "&port=1",
         "The database to copy into could not be opened: "},
        {"host=lab dbname=viscora password=secret",
         "The database to copy into could not be opened: a password does not belong in the "
         "database location, where others can read it: put it in ~/.pgpass or PGPASSWORD (host=lab "
         "dbname=viscora password=…)"},
    };
    for (const auto &c : cases) {
        const Shown shown = win.copyInto(c.location);
        EXPECT_EQ(shown.title, "Database Error");
        EXPECT_EQ(shown.text.substr(0, c.message.size()), c.message) << shown.text;
    }
    EXPECT_EQ(testsIn(win.t.path), QStringList{"ramp"});
}

TEST(CopyTestsToDatabase, CancelledOrStoppedCopiesNothing)
{
    Window win;
    // The dialog cancelled: nothing asked, nothing shown.
    win.w->MenuToolsCopyDatabase->trigger();
    EXPECT_EQ(win.dialogs.size(), 1u);
    EXPECT_TRUE(win.p.shown.empty());

    // Stop pressed while it copies.
    const QString into = win.t.dir.filePath("stopped.mdb");
    QTimer::singleShot(0, win.w.get(), [&] {
        if (auto *progress = win.w->findChild<QProgressDialog *>())
            progress->cancel();
    });
    const Shown shown = win.copyInto(into);
    EXPECT_EQ(shown.text, "The copy was stopped. Nothing was copied from " +
                              win.t.path.toStdString() + " into " + into.toStdString() + ".");
    EXPECT_EQ(shown.title, "Copy Tests To Database");
    EXPECT_FALSE(QFile::exists(into));
}
