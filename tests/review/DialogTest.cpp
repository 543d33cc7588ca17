#include "core/Module1.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"
#include "review/TestListDialogs.h"
#include "review/RetrievedTest.h"
#include "review/frmRelated.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {
struct Fixture {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    TestRepository repo{*t.db};
    Fixture()
    {
        t.addTest("alpha", {point(1, 10, 100, 100, 50)});
        t.addTest("beta \"b\"", {point(1, 10, 100, 100, 60)});
        t.addTest("gamma", {point(1, 10, 100, 100, 70)});
    }
    void select(TestNameListDialog &d, const QString &name)
    {
        const auto items = d.DBList1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        d.DBList1->setCurrentItem(items.first());
    }
};
} // namespace

TEST(OpenTestDialog, ListsSelectsAndRefusesAnEmptySelection)
{
    Fixture f;
    OpenTest d(f.m, f.repo, f.p);
    EXPECT_EQ(d.windowTitle(), "Open Saved Test");
    EXPECT_EQ(d.Label1->text(), "Please select saved test name:");
    ASSERT_EQ(d.DBList1->count(), 3);
    EXPECT_EQ(d.DBList1->item(1)->text(), "beta \"b\"");
    d.DBList1->clearSelection();
    d.cmdOk->click();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text, "No test was selected!");
    EXPECT_EQ(f.p.shown[0].title, "No Selection Error.");
    EXPECT_EQ(d.result(), QDialog::Rejected);
    f.select(d, "beta \"b\"");
    d.cmdOk->click();
    EXPECT_EQ(f.m.CurrentTestName, "beta \"b\"");
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

// The list opens on the first test, selected: Enter opens it at once.
TEST(OpenTestDialog, OpensOnTheFirstTestSoEnterOpensIt)
{
    Fixture f;
    OpenTest d(f.m, f.repo, f.p);
    d.show();
    QApplication::setActiveWindow(&d);
    d.DBList1->setFocus();
    EXPECT_EQ(d.currentText(), "alpha");
    QTest::keyClick(d.DBList1, Qt::Key_Return);
    EXPECT_TRUE(f.p.shown.empty());
    EXPECT_EQ(f.m.CurrentTestName, "alpha");
    EXPECT_EQ(d.result(), QDialog::Accepted);

    // With no test at all, OK still says so.
    TestDb empty;
    TestRepository none{*empty.db};
    OpenTest e(f.m, none, f.p);
    EXPECT_EQ(e.currentText(), "");
    e.cmdOk->click();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text, "No test was selected!");
}

TEST(OpenTestDialog, CancelKeepsTheName)
{
    Fixture f;
    f.m.CurrentTestName = "alpha";
    OpenTest d(f.m, f.repo, f.p);
    f.select(d, "gamma");
    d.cmdCancel->click();
    EXPECT_EQ(f.m.CurrentTestName, "alpha");
}

TEST(OpenTestDialog, DeleteAsksFirstThenRenumbersAndSelectsFirst)
{
    Fixture f;
    f.t.addTest("two points", {point(1, 10, 100, 100, 80), point(1, 20, 100, 100, 90)});
    f.m.CurrentTestName = "beta \"b\"";
    f.m.OverlapTestName = "gamma";
    OpenTest d(f.m, f.repo, f.p);
    EXPECT_EQ(d.cmdDelete->text(), "&Delete");
    d.DBList1->clearSelection();
    d.cmdDelete->click(); // nothing selected: nothing happens
    EXPECT_TRUE(f.p.shown.empty());
    EXPECT_EQ(d.DBList1->count(), 4);

    // No (the default) keeps the test.
    f.select(d, "two points");
    f.p.answers = {Answer::No};
    d.cmdDelete->click();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text,
              "Delete test \"two points\" and its 2 data points? This cannot be undone.");
    EXPECT_EQ(f.p.shown[0].title, "Delete Confirmation.");
    EXPECT_EQ(f.p.shown[0].buttons, Buttons::YesNoDefaultNo);
    EXPECT_EQ(d.DBList1->count(), 4);
    EXPECT_EQ(d.currentText(), "two points");

    // Yes deletes; the open test is then no longer current, nor overlaid when it was.
    f.select(d, "beta \"b\"");
    f.p.answers = {Answer::Yes};
    d.cmdDelete->click();
    EXPECT_EQ(f.p.shown.back().text,
              "Delete test \"beta \"b\"\" and its 1 data point? This cannot be undone.");
    ASSERT_EQ(d.DBList1->count(), 3);
    EXPECT_EQ(d.currentText(), "alpha");
    EXPECT_EQ(must(f.repo.testId("gamma")), 2);
    EXPECT_EQ(f.t.scalar("SELECT TestId FROM TestResult WHERE Shearstress=70").toInt(), 2);
    EXPECT_EQ(f.m.CurrentTestName, "");
    EXPECT_EQ(f.m.OverlapTestName, "gamma");
    f.select(d, "gamma");
    f.p.answers = {Answer::Yes};
    d.cmdDelete->click();
    EXPECT_EQ(f.m.OverlapTestName, "");
}

TEST(OverlapDialog, RefusesItselfButKeepsTheName)
{
    Fixture f;
    f.m.CurrentTestName = "alpha";
    frmOverlapTestName d(f.m, f.repo, f.p);
    EXPECT_EQ(d.windowTitle(), "Overlap Test Selection");
    EXPECT_EQ(d.Label1->text(), "Please select test to compare:");
    d.cmdOk->click();
    EXPECT_EQ(f.p.shown.back().text, "No test was selected!");
    EXPECT_EQ(f.p.shown.back().title, "No Selection Error.");
    f.select(d, "alpha");
    d.cmdOk->click();
    EXPECT_EQ(f.p.shown.back().text, "Test can not overlap itself!");
    EXPECT_EQ(f.p.shown.back().title, "Selection Error.");
    EXPECT_EQ(f.m.OverlapTestName, "alpha");
    EXPECT_NE(d.result(), QDialog::Accepted);
    f.select(d, "gamma");
    d.cmdOk->click();
    EXPECT_EQ(f.m.OverlapTestName, "gamma");
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST(RelatedDialog, NewModeChecksAndCreatesTheNextId)
{
    Fixture f;
    f.m.NoTestShown = true;
    frmRelated d(f.m, f.repo, f.p);
    EXPECT_EQ(d.windowTitle(), "Related Information ");
    EXPECT_TRUE(d.txtTestName->isEnabled());
    d.cmdok->click();
    EXPECT_EQ(f.p.shown.back().text, "Must input Test name.");
    EXPECT_EQ(f.p.shown.back().title, "Blank Input Error.");
    EXPECT_TRUE(f.m.RelatedOk);
    d.txtTestName->setText("alpha");
    d.cmdok->click();
    EXPECT_EQ(f.p.shown.back().text, "Duplicated test name. Please enter a new test name.");
    EXPECT_EQ(f.p.shown.back().title, "Test Name Error.");
    EXPECT_TRUE(f.m.RelatedOk);
    // Letter case counts: "ALPHA" is new.
    d.txtTestName->setText("ALPHA");
    d.txtMudId->setText("F-9");
    d.cmdok->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(f.m.NewTestId, 4);
    EXPECT_EQ(f.m.CurrentTestName, "ALPHA");
    EXPECT_FALSE(f.m.NoTestShown);
    const auto h = must(f.repo.header("ALPHA"));
    EXPECT_EQ(h->mudId, "F-9");
    EXPECT_EQ(h->desc, "");
}

TEST(RelatedDialog, NewNamesAreTrimmedAndControlCharactersRefused)
{
    const char *control = "A test name cannot hold control characters (tabs, line breaks, "
                          "escapes).";
    const struct {
        const char *typed;
        const char *message, *title;
    } refused[] = {
        {"  alpha ", "Duplicated test name. Please enter a new test name.", "Test Name Error."},
        {"   ", "Must input Test name.", "Blank Input Error."},
        {"tab\there", control, "Test Name Error."},
        {"two\nlines", control, "Test Name Error."},
        {"\x1b]0;title\x07", control, "Test Name Error."},
    };
    Fixture f;
    f.m.NoTestShown = true;
    frmRelated d(f.m, f.repo, f.p);
    for (const auto &c : refused) {
        d.txtTestName->setText(QString::fromUtf8(c.typed));
        d.cmdok->click();
        EXPECT_EQ(f.p.shown.back().text, c.message) << c.typed;
        EXPECT_EQ(f.p.shown.back().title, c.title) << c.typed;
        EXPECT_NE(d.result(), QDialog::Accepted) << c.typed;
    }
    d.txtTestName->setText(" delta  ");
    d.cmdok->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(f.m.CurrentTestName, "delta");
    EXPECT_EQ(f.m.NewTestId, 4);
    EXPECT_TRUE(must(f.repo.header("delta")));
    EXPECT_EQ(f.p.shown.size(), std::size(refused));
}

TEST(RelatedDialog, EditModeKeepsTheNameAndCancelClearsOk)
{
    Fixture f;
    f.m.NoTestShown = false;
    f.m.CurrentTestName = "gamma";
    frmRelated d(f.m, f.repo, f.p);
    EXPECT_FALSE(d.txtTestName->isEnabled());
    EXPECT_EQ(d.txtTestName->text(), "gamma");
    EXPECT_EQ(d.txtCompanyName->text(), "ACME");
    d.txtDesc->setPlainText("re-run");
    d.cmdok->click();
    EXPECT_EQ(must(f.repo.header("gamma"))->desc, "re-run");
    EXPECT_EQ(must(f.repo.tests()).size(), 3u);

    frmRelated again(f.m, f.repo, f.p);
    again.cmdCancel->click();
    EXPECT_FALSE(f.m.RelatedOk);
}

TEST(RelatedDialog, EditOfADeletedTestWritesNothing)
{
    Fixture f;
    f.m.NoTestShown = false;
    f.m.CurrentTestName = "gone";
    frmRelated d(f.m, f.repo, f.p);
    d.txtMudId->setText("x");
    d.cmdok->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(must(f.repo.tests()).size(), 3u);
    EXPECT_FALSE(must(f.repo.header("gone")));
}

TEST(RelatedDialog, WriteFailuresAreReported)
{
    Fixture f;
    ASSERT_TRUE(f.t.exec("CREATE TRIGGER noins BEFORE INSERT ON RelatedInfo "
                         "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    ASSERT_TRUE(f.t.exec("CREATE TRIGGER noupd BEFORE UPDATE ON RelatedInfo "
                         "BEGIN SELECT RAISE(ABORT, 'read-only'); END"));
    ASSERT_TRUE(f.t.exec("CREATE TRIGGER nodel BEFORE DELETE ON TestResult "
                         "BEGIN SELECT RAISE(ABORT, 'locked'); END"));
    f.m.NoTestShown = true;
    frmRelated fresh(f.m, f.repo, f.p);
    fresh.txtTestName->setText("delta");
    fresh.cmdok->click();
    EXPECT_EQ(f.p.shown.back().text, "The test could not be saved: disk full");
    EXPECT_EQ(f.p.shown.back().title, "Database Error");
    EXPECT_NE(fresh.result(), QDialog::Accepted);

    f.m.NoTestShown = false;
    f.m.CurrentTestName = "alpha";
    frmRelated edit(f.m, f.repo, f.p);
    edit.cmdok->click();
    EXPECT_EQ(f.p.shown.back().text, "The related information could not be saved: read-only");

    OpenTest open(f.m, f.repo, f.p);
    f.select(open, "alpha");
    open.cmdDelete->click();
    EXPECT_EQ(f.p.shown.back().text, "The test could not be deleted: locked");
    EXPECT_EQ(f.p.shown.back().title, "Database Error");
    EXPECT_EQ(open.DBList1->count(), 3);
}

TEST(RetrievedTest, ANameLeftWithoutPointsIsDeletedOrSaid)
{
    TestDb t;
    TestRepository repo(*t.db);
    ASSERT_TRUE(t.failOn("INSERT", "TestResult", "disk full"));
    const struct {
        bool deletable;
        std::string shown;
        QStringList left;
    } cases[] = {
        {true, "The retrieved test could not be saved: disk full", {}},
        {false,
         "The retrieved test could not be saved: disk full. The test \"R\" it left without points "
         "could not be deleted: disk I/O error",
         {"R"}},
    };
    for (const auto &c : cases) {
        if (!c.deletable) {
            ASSERT_TRUE(t.failOn("DELETE", "RelatedInfo", "disk I/O error"));
        }
        ScriptedPrompter p;
        EXPECT_FALSE(storeRetrievedTest(repo, p, retrievedPoints({{1, 30, 100, 50, 0, 100, 3}}, {}),
                                        [&]() -> std::optional<NamedTest> {
                                            int id = 0;
                                            if (!repo.createHeader({"R", "", "", "", ""}, id).ok)
                                                return std::nullopt;
                                            return NamedTest{"R", id};
                                        }));
        ASSERT_EQ(p.shown.size(), 1u);
        EXPECT_EQ(p.shown[0].text, c.shown);
        EXPECT_EQ(p.shown[0].title, "Database Error");
        EXPECT_EQ(must(repo.testNames()), c.left);
    }
}
