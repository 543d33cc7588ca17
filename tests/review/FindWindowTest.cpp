// The Find Tests window driven headless: the list, search, filters, sort, live marks, open,
// rename, export and delete of several.

#include "core/Module1.h"
#include "review/frmFindTests.h"
#include "store/Recordings.h"
#include "store/TestRecords.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDb.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {
double day(int d) { return static_cast<double>(QDate(2026, 5, d).startOfDay().toSecsSinceEpoch()); }

struct Fixture {
    TestDb t;
    Module1 m;
    ScriptedPrompter p;
    QStringList exported;
    double now = day(20) + 90;
    std::unique_ptr<frmFindTests> w;
    Fixture()
    {
        // Three finished tests on two instruments, one older test, one being recorded.
        const struct {
            const char *name;
            int day;
            const char *instrument;
            int points;
        } tests[] = {{"Well 12 mud", 3, "Comm 1 (/dev/ttyUSB0)", 2},
                     {"Cement A", 9, "Comm 2 (/dev/ttyUSB1)", 3},
                     {"well 7 spacer", 15, "Comm 1 (/dev/ttyUSB0)", 1}};
        for (const auto &tc : tests) {
            t.addTest(tc.name, std::vector<StoredPoint>(static_cast<std::size_t>(tc.points)));
            TestRecord r;
            r.kind = "ended";
            r.startedAt = day(tc.day) + 3600;
            r.endedAt = *r.startedAt + 600 * tc.points;
            r.points = tc.points;
            r.instrument = tc.instrument;
            r.operatorName = "Ana";
            EXPECT_TRUE(TestRecords(*t.db).append(tc.name, r, *r.endedAt).ok);
        }
        t.addTest("Old one", std::vector<StoredPoint>(5));
        t.addTest("Running", {});
        TestRecord live;
        live.kind = "recorded";
        live.startedAt = day(20);
        live.instrument = "Comm 2 (/dev/ttyUSB1)";
        EXPECT_TRUE(TestRecords(*t.db).append("Running", live, day(20)).ok);
        EXPECT_TRUE(Recordings(*t.db).begin("Running").ok);
        open();
    }
    ~Fixture() { (void)Recordings(*t.db).end("Running"); }
    void open()
    {
        w = std::make_unique<frmFindTests>(
            FindTestsDeps{m, *t.db, p, [this] { return now; },
                          [this](const QStringList &names) { exported = names; }});
    }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < w->model->rowCount(); ++r)
            out << w->model->index(r, c).data().toString();
        return out;
    }
    void select(const QStringList &names)
    {
        w->MSFlexGrid1->clearSelection();
        for (int r = 0; r < w->model->rowCount(); ++r)
            if (names.contains(w->model->entries()[static_cast<std::size_t>(r)].name))
                w->MSFlexGrid1->selectionModel()->select(
                    w->model->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};
} // namespace

TEST(FindWindow, ListsEveryTestNewestFirstWithWhatIsKnown)
{
    Fixture f;
    EXPECT_EQ(f.w->windowTitle(), "Find Tests");
    QStringList headings;
    for (int c = 0; c < f.w->model->columnCount(); ++c)
        headings << f.w->model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(headings, (QStringList{"Test Name", "Start", "Duration", "Points", "Mud ID",
                                     "Company", "Instrument", "Operator"}));
    EXPECT_EQ(f.column(0),
              (QStringList{"Running", "well 7 spacer", "Cement A", "Well 12 mud", "Old one"}));
    EXPECT_EQ(f.column(2),
              (QStringList{"live 0:01:30", "0:10:00", "0:30:00", "0:20:00", "unknown"}));
    EXPECT_EQ(f.column(3), (QStringList{"0", "1", "3", "2", "5"}));
    EXPECT_EQ(f.w->lblCount->text(), "5 of 5 tests");
    // The live test's elapsed time goes on.
    f.now += 60;
    f.w->model->tick();
    EXPECT_EQ(f.column(2).first(), "live 0:02:30");
    // Sorted by any column: points, then names ignoring case.
    f.w->MSFlexGrid1->sortByColumn(3, Qt::AscendingOrder);
    EXPECT_EQ(f.column(3), (QStringList{"0", "1", "2", "3", "5"}));
    f.w->MSFlexGrid1->sortByColumn(0, Qt::AscendingOrder);
    EXPECT_EQ(f.column(0),
              (QStringList{"Cement A", "Old one", "Running", "Well 12 mud", "well 7 spacer"}));
}

TEST(FindWindow, SearchesAsTypedAndFiltersByDateInstrumentAndLive)
{
    Fixture f;
    const struct {
        const char *search, *since, *until;
        int instrument; // index in the list of instruments; 0: any
        bool live;
        QStringList found;
    } cases[] = {
        {"WELL", "", "", 0, false, {"well 7 spacer", "Well 12 mud"}},
        {"usb1", "", "", 0, false, {"Running", "Cement A"}},
        {"unknown", "", "", 0, false, {"Running", "Old one"}},
        {"", "2026-05-09", "2026-05-15", 0, false, {"well 7 spacer", "Cement A"}},
        {"", "2026-05-10", "", 0, false, {"Running", "well 7 spacer"}},
        {"", "", "", 1, false, {"well 7 spacer", "Well 12 mud"}},
        {"", "", "", 0, true, {"Running"}},
        {"mud", "", "2026-05-03", 1, false, {"Well 12 mud"}},
        {"nothing like it", "", "", 0, false, {}},
    };
    EXPECT_EQ(f.w->cmbInstrument->count(), 3);
    EXPECT_EQ(f.w->cmbInstrument->itemText(0), "Any instrument");
    EXPECT_EQ(f.w->cmbInstrument->itemText(1), "Comm 1 (/dev/ttyUSB0)");
    for (const auto &c : cases) {
        f.w->txtSearch->clear();
        QTest::keyClicks(f.w->txtSearch, QString::fromUtf8(c.search));
        f.w->txtSince->setText(QString::fromUtf8(c.since));
        f.w->txtUntil->setText(QString::fromUtf8(c.until));
        f.w->cmbInstrument->setCurrentIndex(c.instrument);
        f.w->chkLive->setChecked(c.live);
        EXPECT_EQ(f.column(0), c.found) << c.search << c.since << c.until;
        EXPECT_EQ(f.w->lblCount->text(), QStringLiteral("%1 of 5 tests").arg(c.found.size()));
    }
}

TEST(FindWindow, EnterOrDoubleClickOpensTheTestAsOpenSavedTestDoes)
{
    Fixture f;
    QTest::keyClicks(f.w->txtSearch, "cement");
    f.w->MSFlexGrid1->setCurrentIndex(f.w->model->index(0, 0));
    QTest::keyClick(f.w->MSFlexGrid1, Qt::Key_Return);
    EXPECT_EQ(f.m.CurrentTestName, "Cement A");
    EXPECT_EQ(f.w->result(), QDialog::Accepted);
    Fixture g;
    g.w->txtSearch->setText("nothing like it");
    g.w->cmdOpen->click();
    ASSERT_EQ(g.p.shown.size(), 1u);
    EXPECT_EQ(g.p.shown[0].text, "No test was selected!");
    EXPECT_EQ(g.p.shown[0].title, "No Selection Error.");
    EXPECT_TRUE(g.m.CurrentTestName.empty());
}

TEST(FindWindow, RenamesOneTestWithTheNamingRules)
{
    Fixture f;
    f.m.CurrentTestName = "Cement A";
    f.select({"Cement A", "Old one"});
    f.w->cmdRename->click();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text, "Select one test to rename.");
    EXPECT_EQ(f.p.shown[0].title, "Rename Test");
    f.select({"Cement A"});
    f.p.inputAnswers = {std::string("old ONE"), std::string("  Cement B ")};
    f.w->cmdRename->click();
    ASSERT_EQ(f.p.inputs.size(), 1u);
    EXPECT_EQ(f.p.inputs[0].text, "New name of the test \"Cement A\":");
    EXPECT_EQ(f.p.inputs[0].title, "Rename Test");
    EXPECT_EQ(f.p.shown.back().text, "Duplicated test name. Please enter a new test name.");
    EXPECT_EQ(f.p.shown.back().title, "Test Name Error.");
    f.w->cmdRename->click();
    EXPECT_TRUE(f.column(0).contains("Cement B"));
    EXPECT_EQ(f.m.CurrentTestName, "Cement B");
    // The live test stays as it is.
    f.select({"Running"});
    f.p.inputAnswers = {std::string("Mine")};
    f.w->cmdRename->click();
    EXPECT_EQ(f.p.shown.back().text, "the test \"Running\" is being recorded; it can be renamed "
                                     "once its recording has ended");
    EXPECT_EQ(f.p.shown.back().title, "Database Error");
}

TEST(FindWindow, ExportsAndDeletesSeveralAfterOneQuestion)
{
    Fixture f;
    f.m.CurrentTestName = "Well 12 mud";
    f.select({"Well 12 mud", "Cement A"});
    f.w->cmdExport->click();
    EXPECT_EQ(f.exported, (QStringList{"Cement A", "Well 12 mud"}));
    f.p.answers = {Answer::No, Answer::Yes};
    f.w->cmdDelete->click();
    ASSERT_EQ(f.p.shown.size(), 1u);
    EXPECT_EQ(f.p.shown[0].text, "Delete 2 tests and their 5 data points? This cannot be undone.");
    EXPECT_EQ(f.p.shown[0].title, "Delete Confirmation.");
    EXPECT_EQ(f.w->model->rowCount(), 5);
    f.w->cmdDelete->click();
    EXPECT_EQ(f.column(0), (QStringList{"Running", "well 7 spacer", "Old one"}));
    EXPECT_TRUE(f.m.CurrentTestName.empty());
    EXPECT_EQ(f.t.scalar("SELECT COUNT(*) FROM TestResult").toInt(), 6);
    // One being recorded stops the whole delete.
    f.select({"Old one", "Running"});
    f.p.answers = {Answer::Yes};
    f.w->cmdDelete->click();
    EXPECT_EQ(f.p.shown.back().text,
              "The tests could not be deleted: the test \"Running\" is being recorded; it can be "
              "deleted once its recording has ended");
    EXPECT_EQ(f.w->model->rowCount(), 3);
}
