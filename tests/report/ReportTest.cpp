#include "support/SixSpeeds.h"
#include "support/TestDb.h"
#include "core/Module1.h"
#include "report/TestReport.h"
#include "store/TestNotes.h"
#include "review/TestReview.h"
#include "sim/SimInstrument.h"
#include "support/ScriptedPrompter.h"
#include "rheology/Tables.h"

#include <QDir>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

using namespace viscora;
using namespace viscora::test;

namespace {
QString pdfText(const QString &path)
{
    QProcess p;
    p.start("pdftotext", {"-raw", path, "-"});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A word of a PDF page and its box, in points from the page's top left.
struct Word {
    int page;
    double x0, y0, x1, y1;
    QString text;
};

std::vector<Word> pdfWords(const QString &path)
{
    QProcess p;
    p.start("pdftotext", {"-bbox", path, "-"});
    p.waitForFinished(20000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression word(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    std::vector<Word> out;
    int page = 0;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0) == "<page ") {
            ++page;
            continue;
        }
        QString text = m.captured(5);
        text.replace("&lt;", "<")
            .replace("&gt;", ">")
            .replace("&quot;", "\"")
            .replace("&apos;", "'")
            .replace(QChar(0xFB01), "fi") // a ligature read back
            .replace("&amp;", "&");
        out.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(),
                       m.captured(3).toDouble(), m.captured(4).toDouble(), text});
    }
    return out;
}

QString render(const ReportData &data, const QString &path, const ReportOptions &options = {})
{
    {
        QPdfWriter pdf(path);
        EXPECT_EQ(renderReport(data, pdf, options), RenderResult::Drawn);
    }
    return path;
}

// The width of a PDF's first page, in points.
double pageWidth(const QString &path)
{
    QProcess p;
    p.start("pdftotext", {"-bbox", "-l", "1", path, "-"});
    p.waitForFinished(20000);
    static const QRegularExpression page(R"re(<page width="([\d.]+)")re");
    return page.match(QString::fromUtf8(p.readAllStandardOutput())).captured(1).toDouble();
}

// Each page's text, in reading order.
QStringList pdfPages(const QString &path)
{
    QStringList pages = pdfText(path).split('\f');
    pages.removeLast(); // after the last form feed
    return pages;
}

// The report of a saved test as the main window makes it, once the test is opened.
std::optional<ReportData> openedReport(TestDb &t, const std::string &name)
{
    Module1 m;
    ScriptedPrompter p;
    TestReview review(m, *t.db, p);
    m.CurrentTestName = name;
    EXPECT_TRUE(review.openCurrentTest());
    return must(openedTestReport(review, m.CurrentTestName, m.rotorBob()));
}

// A test's lines: `steps` steps of `perStep` points each.
std::vector<ReportLine> reportLines(int steps, int perStep)
{
    std::vector<ReportLine> lines;
    for (int s = 1; s <= steps; ++s)
        for (int t = 1; t <= perStep; ++t)
            lines.push_back({static_cast<double>(s), static_cast<double>(t), 120, 300, 510.69,
                             500.25 + s * 10 + t, 0, 1, 97.9, 97.8 + s, 0});
    return lines;
}

// The report's column lefts in twips, as designed.
constexpr int kLefts[] = {0, 432, 1152, 1872, 2592, 3456, 4608, 5472, 6048, 6912, 7776, 8640};

// The last digit's place of a printed number: "1626.548" -> 0.001, "2.69E+10" -> 1e8.
double lastPlace(const QString &token)
{
    const QString upper = token.toUpper();
    const int e = static_cast<int>(upper.indexOf('E'));
    const QString mantissa = e < 0 ? upper : upper.left(e);
    const int exponent = e < 0 ? 0 : upper.mid(e + 1).toInt();
    const int dot = static_cast<int>(mantissa.indexOf('.'));
    const int decimals = dot < 0 ? 0 : static_cast<int>(mantissa.size()) - dot - 1;
    return std::pow(10.0, exponent - decimals);
}

void saveShot(const QString &pdf, int page, const char *name)
{
    const QByteArray dir = qgetenv("VISCORA_SHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    QProcess p;
    p.start("pdftoppm",
            {"-png", "-r", "110", "-f", QString::number(page), "-l", QString::number(page),
             "-singlefile", pdf, QString::fromLocal8Bit(dir) + "/" + name});
    p.waitForFinished(20000);
}
} // namespace

TEST(ReportQuery, StoredUnitsAndTheRotorBobsLiteral)
{
    TestDb t;
    t.addTest("A", {point(1, 30, 212, 300, 510, 10, 2), point(1, 60, 212, 0, 510, 10, 2)});
    const auto r = must(loadReport(TestRepository(*t.db), 1, 2));
    ASSERT_TRUE(r);
    ASSERT_EQ(r->lines.size(), 2u);
    const ReportLine &l = r->lines[0];
    EXPECT_EQ(l.temperature, 212);
    EXPECT_EQ(l.shearStress, 510);
    EXPECT_DOUBLE_EQ(l.shearRate, 300 * 1.7023 * 3.185);
    EXPECT_DOUBLE_EQ(l.viscosity, 510 / (0.0000001 + 300 * 1.7023 * 3.185) * 100.0);
    EXPECT_DOUBLE_EQ(l.fannDial, 510 / 5.11);
    EXPECT_DOUBLE_EQ(l.fannGel, 10 / 5.11);
    EXPECT_DOUBLE_EQ(r->lines[1].viscosity, 510 * 100.0 / 0.0000001);
    EXPECT_EQ(r->header.companyName, "ACME");
    EXPECT_FALSE(must(loadReport(TestRepository(*t.db), 1, 0)));
    EXPECT_FALSE(must(loadReport(TestRepository(*t.db), 1, 1703)));
    EXPECT_TRUE(must(loadReport(TestRepository(*t.db), 99, 1))->lines.empty());
    // A test without points has its report whatever rotor-bob code was left from before.
    t.addTest("Empty", {});
    for (int code : {0, 1, 1703}) {
        const auto empty = must(loadReport(TestRepository(*t.db), 2, code));
        ASSERT_TRUE(empty) << code;
        EXPECT_EQ(empty->header.testName, "Empty");
        EXPECT_TRUE(empty->lines.empty());
    }
}

TEST(ReportQuery, NumbersFitTheirColumnWithoutChangingMagnitude)
{
    struct Case {
        double value;
        size_t chars; // what fits
        const char *text;
    } cases[] = {
        {510.69, 10, "510.69"},
        {1626.54765, 9, "1626.5477"},
        {1626.54765, 6, "1626.5"},
        {1626.54765, 4, "1627"},
        {1626.54765, 3, "2000"}, // nothing fits: the shortest, which is then drawn smaller
        {86399.5, 6, "86400"},
        {26900000001.5, 8, "2.69E+10"},
        {26900000001.5, 4, "3E+10"},
        {0.000012345, 6, "1.2E-5"},
        {-40.123456, 5, "-40.1"},
        {99999.5, 5, "1E+5"},
        {0, 1, "0"},
    };
    for (const Case &c : cases) {
        const std::string text =
            fitReportNumber(c.value, [&](const std::string &s) { return s.size() <= c.chars; });
        EXPECT_EQ(text, c.text) << c.value << " in " << c.chars;
    }
}

TEST(ReportQuery, NumbersPrintAsTheQueryReturnsThem)
{
    EXPECT_EQ(reportNumber(510.69), "510.69");
    EXPECT_EQ(reportNumber(30), "30");
    EXPECT_EQ(reportNumber(510 / 5.11), "99.8043052837573");
    EXPECT_EQ(reportNumber(510e9), "510000000000");
    EXPECT_EQ(reportNumber(5.1e16), "5.1E+16");
    EXPECT_EQ(reportNumber(0.00001), "1E-5");
    EXPECT_EQ(reportNumber(0), "0");
}

TEST(ReportLayout, TableColumnsFitThePageWidestWrappingFirst)
{
    struct Case {
        const char *name;
        std::vector<ColumnNeed> needs;
        int width, gap;
        bool lastIsNotes;
        std::optional<std::vector<int>> widths;
        bool notesBelow;
    } cases[] = {
        // clang-format off
        {"one line each, the rest to the last", {{100, 50}, {200, 80}}, 1000, 10, false,
         std::vector<int>{110, 890}, false},
        {"exactly full", {{100, 50}, {200, 80}}, 320, 10, false,
         std::vector<int>{110, 210}, false},
        {"notes too long go under the row", {{100, 50}, {100, 50}, {600, 60}}, 400, 0, true,
         std::vector<int>{100, 300}, true},
        {"notes that fit stay a column", {{100, 50}, {100, 50}, {150, 60}}, 400, 0, true,
         std::vector<int>{100, 100, 200}, false},
        {"a last column that is no note wraps", {{100, 50}, {100, 50}, {600, 60}}, 400, 0, false,
         std::vector<int>{100, 100, 200}, false},
        {"the widest wraps first", {{300, 40}, {100, 40}}, 300, 0, false,
         std::vector<int>{200, 100}, false},
        {"fractions of a twip round up", {{99.2, 10}, {0.5, 0.5}}, 200, 0, false,
         std::vector<int>{100, 100}, false},
        {"even the words are too wide", {{100, 90}, {100, 90}}, 150, 0, false,
         std::nullopt, false},
        {"no columns", {}, 100, 10, false, std::vector<int>{}, false},
        // clang-format on
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto fit = fitColumns(c.needs, c.width, c.gap, c.lastIsNotes);
        ASSERT_EQ(fit.has_value(), c.widths.has_value());
        if (!fit)
            continue;
        EXPECT_EQ(fit->widths, *c.widths);
        EXPECT_EQ(fit->notesBelow, c.notesBelow);
    }
}

TEST(ReportLayout, ColumnsSpreadOverThePageNoneBelowItsLeast)
{
    const struct {
        const char *name;
        std::vector<int> designed, least;
        int total;
        std::vector<int> widths;
    } cases[] = {
        {"in proportion", {100, 300}, {10, 10}, 800, {200, 600}},
        {"rounding left to the last", {100, 100, 100}, {0, 0, 0}, 100, {33, 33, 34}},
        {"one held at its least", {100, 100, 200}, {150, 10, 10}, 600, {150, 150, 300}},
        {"held in turn", {100, 100, 400}, {200, 140, 10}, 600, {200, 140, 260}},
        {"the held last leaves the rest before it", {300, 100}, {10, 300}, 600, {300, 300}},
        {"too narrow for all", {100, 100}, {80, 80}, 100, {80, 80}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(spreadColumns(c.designed, c.least, c.total), c.widths) << c.name;
}

TEST(ReportLayout, PagesCarryTheHeadersOnlyFirst)
{
    const auto one = paginateReport(0, 15840);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].lineCount, 0);
    const auto many = paginateReport(200, 15840);
    int total = 0;
    for (const auto &p : many)
        total += p.lineCount;
    EXPECT_EQ(total, 200);
    EXPECT_LT(many[0].lineCount, many[1].lineCount);
}

TEST(ReportPdf, ReadsBackWithHeaderColumnsAndValues)
{
    TestDb t;
    t.addTest("Report me", {point(1, 30, 212, 300, 510, 10, 1), point(2, 15, 100, 0, 400, 0, 1)});
    t.addTest("Empty", {});
    const auto r = must(loadReport(TestRepository(*t.db), 1, 1));
    const QString path = t.dir.filePath("r.pdf");
    {
        QPdfWriter pdf(path);
        EXPECT_EQ(renderReport(*r, pdf), RenderResult::Drawn);
    }
    const QString text = pdfText(path);
    for (const char *s :
         {"K7400 Viscosity Test Report", "TestName:", "Report me", "MudId:", "mud",
          "CompanyName:", "ACME", "STEP", "SH.STRESS", "Fann35", "510.69", "212", "400"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
    // Speed 0: a huge viscosity, too long for its column, in exponent form.
    EXPECT_TRUE(text.contains(" 4E+11 ")) << text.toStdString();

    const auto empty = must(loadReport(TestRepository(*t.db), 2, 1));
    const QString emptyPath = t.dir.filePath("e.pdf");
    {
        QPdfWriter pdf(emptyPath);
        EXPECT_EQ(renderReport(*empty, pdf), RenderResult::Drawn);
    }
    EXPECT_TRUE(pdfText(emptyPath).contains("Empty"));

    // A device that cannot be drawn on (a printer that does not start) is said, not passed over.
    QPdfWriter nowhere(t.dir.filePath("no/such/folder/r.pdf"));
    EXPECT_EQ(renderReport(*r, nowhere), RenderResult::DeviceFailed);
}

// Each value of a row is its own number, inside its own column with a gap before the next,
// and means what the query returned; so does every heading word.
TEST(ReportPdf, EveryValueIsItsOwnNumberInItsColumn)
{
    ReportData data;
    data.header = {"Fit", "mud", "10:00", "ACME", "notes"};
    data.lines = {
        {1, 30, 212, 955.5, 1626.54765, 510, 10, 1, 31.3547, 99.8043052837573, 1.95694716242661},
        {2, 15, 100, 0, 0, 26.9, 0, 1, 26.9 * 100 / 0.0000001, 5.26418786692759, 0},
        {98, 86399.5, -40.123456789, 0.01, 0.017023, 99999.5, 12345.678, 1703, 587383.836,
         19569.3737769, 2415.9839530},
    };
    TestDb t;
    const QString path = render(data, t.dir.filePath("fit.pdf"));
    const auto words = pdfWords(path);
    ASSERT_FALSE(words.empty());
    // The left margin: where "TestName:" starts, at the column origin.
    const auto origin = std::find_if(words.begin(), words.end(),
                                     [](const Word &w) { return w.text == "TestName:"; });
    ASSERT_NE(origin, words.end());
    const double margin = origin->x0;
    const auto heading =
        std::find_if(words.begin(), words.end(), [](const Word &w) { return w.text == "STEP"; });
    ASSERT_NE(heading, words.end());
    // Each column starts where its heading does, in the designed order, and the table reaches
    // across the page to its right margin.
    std::vector<double> lefts;
    const QStringList firstWords = {"STEP",      "TIME", "TEMP",      "Speed", "Shear",
                                    "SH.STRESS", "Gel",  "RbFactor:", "VISC",  "Fann35"};
    for (const Word &w : words)
        if (std::abs(w.y0 - heading->y0) < 1 && firstWords.contains(w.text))
            lefts.push_back(w.x0);
    std::sort(lefts.begin(), lefts.end());
    ASSERT_EQ(lefts.size(), 11u);
    EXPECT_NEAR(lefts[0], margin, 0.5);
    lefts.push_back(pageWidth(path) - margin);
    for (int c = 0; c < 11; ++c) // as wide as designed at the least
        EXPECT_GE(lefts[static_cast<std::size_t>(c) + 1] - lefts[static_cast<std::size_t>(c)],
                  (kLefts[c + 1] - kLefts[c]) / 20.0)
            << c;
    auto left = [&](int c) { return lefts[static_cast<std::size_t>(c)]; };
    auto column = [&](const Word &w) {
        int c = 0;
        while (c + 1 < 11 && left(c + 1) <= w.x0 + 0.5)
            ++c;
        return c;
    };
    auto insideItsColumn = [&](const Word &w) {
        const int c = column(w);
        EXPECT_LE(w.x1, left(c + 1) - 2) << w.text.toStdString();
    };

    std::map<int, std::vector<Word>> rows;         // data rows by their top
    std::map<int, std::vector<Word>> headingWords; // by column
    const auto footer =
        std::find_if(words.begin(), words.end(), [](const Word &w) { return w.text == "Page"; });
    ASSERT_NE(footer, words.end());
    for (const Word &w : words) {
        if (w.y0 < heading->y0 - 1 || w.y0 >= footer->y0 - 1)
            continue;
        insideItsColumn(w);
        bool number = false;
        w.text.toDouble(&number);
        if (number && w.y0 > heading->y0 + 20)
            rows[static_cast<int>(std::lround(w.y0 * 4))].push_back(w);
        else
            headingWords[column(w)].push_back(w);
    }
    // Every heading is there in full inside its column, broken only at its own blanks.
    const char *headings[] = {
        "STEP NO:",         "TIME (sec):",          "TEMP (F):",      "Speed (Rpm):",
        "Shear Rate(1/S):", "SH.STRESS (dyn/cm2):", "Gel (dyn/cm2):", "RbFactor:",
        "VISC (cP):",       "Fann35 Read(°)",       "Fann35 Gel(°):"};
    for (int c = 0; c < 11; ++c) {
        auto &hw = headingWords[c];
        std::sort(hw.begin(), hw.end(), [](const Word &a, const Word &b) {
            return std::abs(a.y0 - b.y0) > 1 ? a.y0 < b.y0 : a.x0 < b.x0;
        });
        QStringList joined;
        for (const Word &w : hw)
            joined << w.text;
        EXPECT_EQ(joined.join(' '), QString::fromUtf8(headings[c]));
    }
    ASSERT_EQ(rows.size(), data.lines.size());
    size_t i = 0;
    for (auto &[top, row] : rows) {
        const ReportLine &l = data.lines[i++];
        const double values[] = {l.stepNo,    l.time,        l.temperature, l.speed,
                                 l.shearRate, l.shearStress, l.gel,         l.rbFactor,
                                 l.viscosity, l.fannDial,    l.fannGel};
        ASSERT_EQ(row.size(), 11u) << "row " << i;
        std::sort(row.begin(), row.end(), [](const Word &a, const Word &b) { return a.x0 < b.x0; });
        for (size_t c = 0; c < 11; ++c) {
            const Word &w = row[c];
            EXPECT_EQ(column(w), static_cast<int>(c)) << w.text.toStdString();
            const double printed = w.text.toDouble();
            // Rounded only in its last printed digit, to at least four significant ones.
            EXPECT_LE(std::fabs(printed - values[c]), lastPlace(w.text) / 2 * (1 + 1e-9))
                << w.text.toStdString() << " for " << values[c];
            EXPECT_LE(std::fabs(printed - values[c]), 5e-4 * std::fabs(values[c]) + 1e-12)
                << w.text.toStdString() << " for " << values[c];
        }
    }
    saveShot(path, 1, "report-page");
}

TEST(ReportPdf, RheologySectionFollowsTheTableInStoredUnits)
{
    TestDb t;
    const auto points =
        sixSpeedPoints([](double rate) { return sim::fluidStress(rate, 120); }, 120,
                       [](double rpm, double stress) { return rpm <= 6 ? stress : 0; });
    t.addTest("Mud", points);
    t.addTest("Empty", {});
    std::string yieldPoint[2];
    for (int units : {1, 2}) {
        Module1 m;
        m.UnitSystem = units;
        ScriptedPrompter p;
        TestReview review(m, *t.db, p);
        m.CurrentTestName = "Mud";
        ASSERT_TRUE(review.openCurrentTest());
        m.keep(review.takeChanges());
        const auto report = must(openedTestReport(review, m.CurrentTestName, m.rotorBob()));
        ASSERT_TRUE(report && report->rheology);
        EXPECT_EQ(report->rheology->units, Units::SI);
        const QString path =
            render(*report, t.dir.filePath(QStringLiteral("mud%1.pdf").arg(units)));
        const QString text = pdfText(path);
        for (const char *s : {"Rheology", "Flow curve 1 of 1: 120 °F, steps 1-6", "Field values",
                              "Plastic viscosity", "Yield point", "Gels", "Models", "Newtonian",
                              "Herschel-Bulkley", "Casson", "Recommended model: "})
            EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
        const auto at = text.indexOf("Yield point");
        yieldPoint[units - 1] = text.mid(at, 40).section('\n', 0, 0).toStdString();
        if (units == 1)
            saveShot(path, static_cast<int>(text.count('\f')), "report-rheology");
    }
    // The report's units, whatever the window shows.
    EXPECT_EQ(yieldPoint[0], yieldPoint[1]);
    EXPECT_NE(yieldPoint[0].find("dyn/cm2"), std::string::npos) << yieldPoint[0];

    // A test without points: its header, an empty table and the reason there is no analysis.
    Module1 m;
    ScriptedPrompter p;
    TestReview review(m, *t.db, p);
    m.CurrentTestName = "Empty";
    review.openCurrentTest();
    m.keep(review.takeChanges());
    m.RbIndex = 0;
    const auto empty = must(openedTestReport(review, m.CurrentTestName, m.rotorBob()));
    ASSERT_TRUE(empty);
    const QString text = pdfText(render(*empty, t.dir.filePath("empty.pdf")));
    for (const char *s :
         {"TestName:", "Empty", "ACME", "STEP", "Fann35", "Rheology", "The test has no points."})
        EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
    EXPECT_EQ(text.count('\f'), 1);
}

// Notes have their section between the table and the rheology, in time order.
TEST(ReportPdf, NotesFollowTheTableBeforeTheRheology)
{
    TestDb t;
    t.addTest("Mud", sixSpeedPoints([](double rate) { return sim::fluidStress(rate, 120); }));
    TestRepository repo(*t.db);
    ASSERT_TRUE(addNote(repo, "Mud", 400, "sample foamed"));
    ASSERT_TRUE(addNote(repo, "Mud", 62.5, "added 2 ppb polymer"));
    const auto report = must(savedTestReport(repo, "Mud", Module1().rotorBob()));
    ASSERT_TRUE(report);
    ASSERT_EQ(report->notes.size(), 2u);
    const QString text = pdfText(render(*report, t.dir.filePath("notes.pdf")));
    const auto notes = text.indexOf("Notes\n"), first = text.indexOf("62.5 s: added 2 ppb polymer"),
               second = text.indexOf("400 s: sample foamed"), rheology = text.indexOf("Rheology\n");
    EXPECT_GT(notes, text.indexOf("Fann35")) << text.toStdString();
    EXPECT_GT(first, notes) << text.toStdString();
    EXPECT_GT(second, first);
    EXPECT_GT(rheology, second);
}

// Every page says which it is of how many, and each after the first names the test; the
// count includes the pages the rheology section turns to.
TEST(ReportPdf, PagesAreNumberedAndNameTheTest)
{
    TestDb t;
    const struct {
        int points;
        bool rheology;
    } cases[] = {{0, false}, {60, false}, {400, false}, {400, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.points);
        ReportData data;
        data.header = {"Numbered test", "mud", "10:00", "ACME", ""};
        data.lines = reportLines(1, c.points);
        if (c.rheology) {
            t.addTest("Mud",
                      sixSpeedPoints([](double rate) { return sim::fluidStress(rate, 120); }));
            data.rheology = openedReport(t, "Mud")->rheology;
        }
        const QStringList pages =
            pdfPages(render(data, t.dir.filePath(QStringLiteral("numbered%1.pdf").arg(c.points))));
        ASSERT_FALSE(pages.empty());
        const auto n = pages.size();
        for (qsizetype i = 0; i < n; ++i) {
            EXPECT_TRUE(pages[i].contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(n)))
                << "page " << i + 1 << "\n"
                << pages[i].toStdString();
            // The report's title once on the first page, in the running header after it.
            EXPECT_EQ(pages[i].section('\n', 0, 0).contains("Numbered test"), i > 0)
                << i + 1 << "\n"
                << pages[i].left(300).toStdString();
        }
        if (c.rheology) {
            EXPECT_TRUE(pages.back().contains("Recommended model: "));
        }
    }
}

// The column headings are whole words at one legible size across the page's width, the long
// header values wrap within their fields, and nothing is drawn beyond the page.
TEST(ReportPdf, HeadingsWholeAndLongValuesWrappedWithinThePage)
{
    ReportData data;
    const QString oddName = QString::fromUtf8("Odd <b>Bold</b> & \"q\" 'é' and a name that goes on "
                                              "well past its field");
    const QString longId = QString(300, QLatin1Char('x')).replace(150, 1, QLatin1Char('Y'));
    data.header = {oddName, longId, "10:00", "ACME", QString(40, QLatin1Char('d')) + " end"};
    data.lines = reportLines(2, 3);
    TestDb t;
    const QString path = render(data, t.dir.filePath("long.pdf"));
    const double width = pageWidth(path);
    ASSERT_GT(width, 0);
    const auto words = pdfWords(path);
    for (const Word &w : words)
        EXPECT_LE(w.x1, width + 0.5) << w.text.toStdString();
    // The name in full, markup and all, on lines of its own field left of "MudId:".
    const auto mud =
        std::find_if(words.begin(), words.end(), [](const Word &w) { return w.text == "MudId:"; });
    ASSERT_NE(mud, words.end());
    const auto sampleTime = std::find_if(words.begin(), words.end(),
                                         [](const Word &w) { return w.text == "SampleTime:"; });
    ASSERT_NE(sampleTime, words.end());
    QString name, id;
    for (const Word &w : words) {
        if (w.page != 1 || w.y0 < mud->y0 - 1 || w.y0 >= sampleTime->y0 - 1)
            continue;
        if (w.x1 <= mud->x0 && w.x0 > 60 && w.text != "TestName:")
            name += (name.isEmpty() ? "" : " ") + w.text;
        if (w.x0 > mud->x1 + 5)
            id += w.text;
    }
    EXPECT_EQ(name.toStdString(), oddName.toStdString());
    EXPECT_EQ(id.toStdString(), longId.toStdString());
    // Each heading's words, in order, with "RbFactor:" whole; all at one size of at least 7 pt.
    const auto step =
        std::find_if(words.begin(), words.end(), [](const Word &w) { return w.text == "STEP"; });
    ASSERT_NE(step, words.end());
    QStringList headingWords;
    std::set<int> heights;
    for (const Word &w : words)
        if (w.page == 1 && w.y0 >= step->y0 - 1 && w.y0 < step->y0 + 30) {
            bool number = false;
            w.text.toDouble(&number);
            if (!number) {
                headingWords << w.text;
                heights.insert(static_cast<int>(std::lround((w.y1 - w.y0) * 10)));
            }
        }
    for (const char *whole : {"STEP", "NO:", "TIME", "(sec):", "RbFactor:", "SH.STRESS",
                              "(dyn/cm2):", "Fann35", "Read(°)", "Gel(°):", "Rate(1/S):"})
        EXPECT_TRUE(headingWords.contains(QString::fromUtf8(whole)))
            << whole << " in " << headingWords.join('|').toStdString();
    EXPECT_EQ(heights.size(), 1u);
    EXPECT_GE(*heights.begin(), 70); // a word's box is about its font's size
    // The table reaches across the page: the last column starts in its right part.
    const auto gel =
        std::find_if(words.begin(), words.end(), [](const Word &w) { return w.text == "Gel(°):"; });
    ASSERT_NE(gel, words.end());
    EXPECT_GT(gel->x0, width * 0.75);
    saveShot(path, 1, "report-long-header");
}

// A model's note is a line of its own under the model's row, not a narrow column.
TEST(ReportPdf, ModelNotesGoUnderTheirRow)
{
    TestDb t;
    // Stresses falling with speed: fits no fluid could have, each said in a note.
    t.addTest("Odd", sixSpeedPoints([](double rate) { return 300 - rate * 0.2; }));
    const auto report = openedReport(t, "Odd");
    ASSERT_TRUE(report && report->rheology);
    const rheology::CurveTables tables =
        rheology::curveTables(report->rheology->curves.at(0), 0, 1, Units::SI, true);
    const QString path = render(*report, t.dir.filePath("notes.pdf"));
    const auto words = pdfWords(path);
    int notes = 0;
    for (const auto &row : tables.models.rows) {
        const QStringList note =
            QString::fromStdString(row.back().text).split(' ', Qt::SkipEmptyParts);
        if (note.size() < 4)
            continue;
        ++notes;
        // The note's words in a row, on at most two lines, below its model's name.
        for (std::size_t i = 0; i + note.size() <= words.size(); ++i) {
            bool match = true;
            for (qsizetype k = 0; k < note.size() && match; ++k)
                match = words[i + static_cast<std::size_t>(k)].text == note[k];
            if (!match)
                continue;
            std::set<int> lines;
            for (qsizetype k = 0; k < note.size(); ++k)
                lines.insert(static_cast<int>(words[i + static_cast<std::size_t>(k)].y0));
            EXPECT_LE(lines.size(), 2u) << row.back().text;
            const QString model = QString::fromStdString(row.front().text).section(' ', 0, 0);
            const auto name =
                std::find_if(words.rbegin() + static_cast<std::ptrdiff_t>(words.size() - i),
                             words.rend(), [&](const Word &w) { return w.text == model; });
            ASSERT_NE(name, words.rend()) << model.toStdString();
            EXPECT_GT(words[i].y0, name->y0 + 1) << row.back().text;
            break;
        }
    }
    EXPECT_GT(notes, 0);
    const QStringList pages = pdfPages(path);
    saveShot(path, static_cast<int>(pages.size()), "report-model-notes");
}

// The summary: one line per step (each step's last reading), a chart of the whole test and
// the rheology; pages counted and numbered as the full report's.
TEST(ReportPdf, SummaryHasALinePerStepAndAChart)
{
    const std::vector<ReportLine> lines = reportLines(3, 500);
    const std::vector<ReportLine> summary = stepSummary(lines);
    ASSERT_EQ(summary.size(), 3u);
    for (std::size_t s = 0; s < 3; ++s) {
        EXPECT_EQ(summary[s].stepNo, static_cast<double>(s + 1));
        EXPECT_EQ(summary[s].time, 500);
    }
    EXPECT_TRUE(stepSummary({}).empty());

    ReportData data;
    data.header = {"Summed", "mud", "10:00", "ACME", ""};
    data.lines = lines;
    TestDb t;
    ReportOptions options;
    options.kind = ReportKind::Summary;
    const QString path = render(data, t.dir.filePath("summary.pdf"), options);
    const QStringList pages = pdfPages(path);
    ASSERT_EQ(pages.size(), 1);
    for (const char *s :
         {"Summary: the last reading of each step, 3 of the test's 1500 points.",
          "Shear stress (dyn/cm2) against time (s)", "Page 1 of 1", "1010.25", "1030.25"})
        EXPECT_TRUE(pages[0].contains(QString::fromUtf8(s))) << s << "\n" << pages[0].toStdString();
    int stepRows = 0;
    for (const Word &w : pdfWords(path))
        if (w.text == "1010.25" || w.text == "1020.25" || w.text == "1030.25")
            ++stepRows;
    EXPECT_EQ(stepRows, 3);
    saveShot(path, 1, "report-summary");
}

// The progress is told at every page with the total known from the first; false stops the
// report where it is.
TEST(ReportPdf, ProgressCountsEveryPageAndCanStop)
{
    ReportData data;
    data.header = {"Long", "", "", "", ""};
    data.lines = reportLines(2, 600);
    TestDb t;
    std::vector<std::pair<int, int>> told;
    ReportOptions options;
    options.progress = [&](int page, int pages) {
        told.emplace_back(page, pages);
        return true;
    };
    const QStringList pages = pdfPages(render(data, t.dir.filePath("all.pdf"), options));
    ASSERT_EQ(told.size(), static_cast<std::size_t>(pages.size()));
    for (std::size_t i = 0; i < told.size(); ++i)
        EXPECT_EQ(told[i], std::make_pair(static_cast<int>(i) + 1, static_cast<int>(pages.size())));

    told.clear();
    options.progress = [&](int page, int total) {
        told.emplace_back(page, total);
        return page < 3;
    };
    QPdfWriter pdf(t.dir.filePath("stopped.pdf"));
    EXPECT_EQ(renderReport(data, pdf, options), RenderResult::Stopped);
    EXPECT_EQ(told.size(), 3u);
}

TEST(PrinterTest, TwoCenteredPages)
{
    TestDb t;
    const QString path = t.dir.filePath("p.pdf");
    {
        QPdfWriter pdf(path);
        EXPECT_TRUE(printPrinterTest(pdf));
    }
    const QString text = pdfText(path);
    EXPECT_TRUE(text.contains("This is printed on page1.")) << text.toStdString();
    EXPECT_TRUE(text.contains("This is printed on page2.")) << text.toStdString();
    EXPECT_EQ(text.count('\f'), 2);
}
