#include "dbsetup/DatabaseChoice.h"
#include "dbsetup/frmDatabase.h"
#include "support/AltKeys.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

struct Fixture {
    QTemporaryDir config;
    DatabaseChoice choice{config.filePath("viscora/viscora.conf")};
    ScriptedPrompter p;

    std::unique_ptr<frmDatabase> open(const QString &inUse = "/lab/k7400r.mdb")
    {
        return std::make_unique<frmDatabase>(DatabaseDialogDeps{p, choice, inUse});
    }
};

// A location the choice gives, which must be one.
QString must(const Result<QString> &location)
{
    EXPECT_TRUE(location.ok()) << location.failure().text;
    return location ? *location : QString();
}

} // namespace

TEST(DatabaseChoice, RemembersAServerAndNeverAPassword)
{
    Fixture f;
    EXPECT_EQ(must(f.choice.server()), "");
    EXPECT_EQ(f.choice.setServer(" postgresql://lab@db/viscora "), "");
    EXPECT_EQ(must(f.choice.server()), "postgresql://lab@db/viscora");
    // --db wins over the remembered server; without either, the file is looked for.
    EXPECT_EQ(must(f.choice.startLocation("/x/k7400r.mdb")), "/x/k7400r.mdb");
    EXPECT_EQ(must(f.choice.startLocation("")), "postgresql://lab@db/viscora");

    struct Refused {
        const char *location, *why;
    } refused[] = {
        {"postgresql://lab:secret@db/viscora", "~/.pgpass"},
        {"/home/lab/k7400r.mdb", "is not a server's location"},
        {"host=db dbname='open", "unterminated"},
    };
    for (const Refused &r : refused) {
        const QString why = f.choice.setServer(QString::fromLatin1(r.location));
        EXPECT_TRUE(why.contains(QString::fromLatin1(r.why))) << r.location << ": " << why.toStdString();
        EXPECT_EQ(must(f.choice.server()), "postgresql://lab@db/viscora")
            << "kept after " << r.location;
    }
    QFile settings(f.choice.file());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_FALSE(settings.readAll().contains("secret"));

    EXPECT_EQ(f.choice.setServer(""), "");
    EXPECT_EQ(must(f.choice.startLocation("")), "");
    // A hand-edited file naming a path is not taken for a server, nor quietly for the file.
    QSettings(f.choice.file(), QSettings::IniFormat).setValue("database/server", "/tmp/x.mdb");
    const Failure bad{"The database remembered in " + f.choice.file().toStdString() +
                          " is not a server's location: '/tmp/x.mdb'. Start with --db LOCATION "
                          "and choose the database again under Tools → Database...",
                      "Database Error", ""};
    for (const Result<QString> &read : {f.choice.server(), f.choice.startLocation("")}) {
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.failure(), bad);
    }
    EXPECT_EQ(must(f.choice.startLocation("/x/k7400r.mdb")), "/x/k7400r.mdb");

    // Settings that cannot be read are said, as unreadable.
    const DatabaseChoice unreadable(f.config.path());
    ASSERT_FALSE(unreadable.server().ok());
    EXPECT_EQ(unreadable.server().failure(),
              (Failure{"The settings in " + f.config.path().toStdString() + " cannot be read.",
                       "Database Error", ""}));
}

TEST(DatabaseDialog, ARememberedSettingThatNamesNoServerIsShownToBePutRight)
{
    Fixture f;
    QSettings(f.choice.file(), QSettings::IniFormat).setValue("database/server", "/tmp/x.mdb");
    auto d = f.open();
    EXPECT_TRUE(d->optServer->isChecked());
    EXPECT_EQ(d->txtServer->text(), "/tmp/x.mdb");
    d->cmdOk->click();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text,
              "The database was not saved: '/tmp/x.mdb' is not a server's location: "
              "postgresql://USER@HOST:PORT/DBNAME or host=HOST dbname=NAME.");
    EXPECT_EQ(f.p.shown[0].title, "Database");
    d->optFile->setChecked(true);
    d->cmdOk->click();
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(must(f.choice.server()), "");
}

TEST(DatabaseDialog, ShowsTheChoiceAndWhatIsInUse)
{
    Fixture f;
    auto file = f.open();
    EXPECT_EQ(file->windowTitle(), "Database");
    EXPECT_TRUE(file->optFile->isChecked());
    EXPECT_FALSE(file->txtServer->isEnabled());
    EXPECT_FALSE(file->cmdConnect->isEnabled());
    EXPECT_EQ(file->lblInUse->text(), "In use now: /lab/k7400r.mdb");
    EXPECT_EQ(altKeyClashes(*file), "");

    ASSERT_EQ(f.choice.setServer("postgresql://lab@db/viscora"), "");
    auto server = f.open("postgresql://lab@db/viscora?password=x");
    EXPECT_TRUE(server->optServer->isChecked());
    EXPECT_TRUE(server->txtServer->isEnabled());
    EXPECT_EQ(server->txtServer->text(), "postgresql://lab@db/viscora");
    EXPECT_FALSE(server->lblInUse->text().contains("password=x"));
}

TEST(DatabaseDialog, ConnectCountsTheServersTestsOrSaysWhyNot)
{
    TestDb server(Backend::PostgreSQL);
    server.addTest("a", {});
    server.addTest("b", {});
    Fixture f;
    auto d = f.open();
    d->optServer->setChecked(true);
    d->txtServer->setText(server.path);
    d->cmdConnect->click();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text, "Connected to " + server.path.toStdString() + ": 2 tests.");
    EXPECT_EQ(f.p.shown[0].title, "Database");
    EXPECT_EQ(f.p.shown[0].icon, Icon::Information);

    server.exec("DELETE FROM RelatedInfo WHERE TestName = 'b'");
    d->cmdConnect->click();
    ASSERT_EQ(f.p.shown.size(), 2u);
    EXPECT_EQ(f.p.shown[1].text, "Connected to " + server.path.toStdString() + ": 1 test.");

    d->txtServer->setText("host=/nonexistent-folder dbname=x");
    d->cmdConnect->click();
    ASSERT_EQ(f.p.shown.size(), 3u);
    EXPECT_EQ(f.p.shown[2].text.rfind("Could not use host=/nonexistent-folder dbname=x: ", 0), 0u)
        << f.p.shown[2].text;
    EXPECT_EQ(f.p.shown[2].icon, Icon::Critical);
    EXPECT_EQ(must(f.choice.server()), ""); // trying saves nothing
}

TEST(DatabaseDialog, OkSavesForTheNextStartOrSaysWhyNot)
{
    struct Case {
        bool server;
        const char *typed;
        const char *message; // empty: closed without a word
        const char *saved;
        bool accepted;
    } cases[] = {
        {true, "", "Type the server's location, or choose the file.", "", false},
        {true, "postgresql://lab:pw@db/v",
         "The database was not saved: a password does not belong in the database location, "
         "where others can read it: put it in ~/.pgpass or PGPASSWORD.",
         "", false},
        {true, "postgresql://lab@db/v",
         "Saved. The program opens this database when it starts next.", "postgresql://lab@db/v",
         true},
        // The file, as now: nothing changes at the next start, nothing to say.
        {false, "postgresql://lab@db/v", "", "", true},
    };
    for (const Case &c : cases) {
        Fixture f;
        auto d = f.open();
        (c.server ? d->optServer : d->optFile)->setChecked(true);
        d->txtServer->setText(QString::fromLatin1(c.typed));
        d->cmdOk->click();
        if (*c.message) {
            ASSERT_EQ(f.p.shown.size(), 1u) << c.typed;
            EXPECT_EQ(f.p.shown[0].text, c.message);
            EXPECT_EQ(f.p.shown[0].title, "Database");
        } else {
            EXPECT_TRUE(f.p.shown.empty()) << f.p.shown[0].text;
        }
        EXPECT_EQ(must(f.choice.server()), c.saved) << c.typed;
        EXPECT_EQ(d->result() == QDialog::Accepted, c.accepted) << c.typed;
    }
}

// A server Connect could not use is saved only when the operator says so: remembered, it is
// what every start tries first.
TEST(DatabaseDialog, AServerConnectCouldNotUseIsSavedOnlyWhenAsked)
{
    const std::string location = "host=/nonexistent-folder dbname=x";
    const std::string question = "Connect could not use " + location +
                                 " just now. Save it anyway, for the program to open at every "
                                 "start?";
    const struct {
        Answer answer;
        const char *saved;
        bool accepted;
    } cases[] = {{Answer::No, "", false}, {Answer::Yes, "host=/nonexistent-folder dbname=x", true}};
    for (const auto &c : cases) {
        Fixture f;
        auto d = f.open();
        d->optServer->setChecked(true);
        d->txtServer->setText(QString::fromStdString(location));
        d->cmdConnect->click();
        f.p.answers = {c.answer};
        d->cmdOk->click();
        ASSERT_GE(f.p.shown.size(), 2u);
        EXPECT_EQ(f.p.shown[1].text, question);
        EXPECT_EQ(f.p.shown[1].title, "Database");
        EXPECT_EQ(f.p.shown[1].buttons, Buttons::YesNoDefaultNo);
        EXPECT_EQ(f.p.shown[1].icon, Icon::Question);
        EXPECT_EQ(f.p.shown.size(), c.accepted ? 3u : 2u);
        if (c.accepted) {
            EXPECT_EQ(f.p.shown[2].text,
                      "Saved. The program opens this database when it starts next.");
        }
        EXPECT_EQ(must(f.choice.server()), c.saved);
        EXPECT_EQ(d->result() == QDialog::Accepted, c.accepted);
    }
    // Chosen at start, with nothing in use: nothing to say of the next start.
    Fixture f;
    auto d = f.open("");
    EXPECT_TRUE(d->lblInUse->isHidden());
    d->optServer->setChecked(true);
    d->txtServer->setText("postgresql://lab@db/v");
    d->cmdOk->click();
    EXPECT_TRUE(f.p.shown.empty()) << f.p.shown[0].text;
    EXPECT_EQ(must(f.choice.server()), "postgresql://lab@db/v");
    EXPECT_EQ(d->result(), QDialog::Accepted);
}
