#include "support/SixSpeeds.h"
#include "support/TestDb.h"
#include "core/Module1.h"
#include "report/TestReport.h"
#include "review/TestReview.h"
#include "sim/SimInstrument.h"
#include "support/ScriptedPrompter.h"

#include <QDir>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

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
            .replace("&amp;", "&");
        out.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(),
                       m.captured(3).toDouble(), m.captured(4).toDouble(), text});
    }
    return out;
}

QString render(const ReportData &data, const QString &path)
{
    {
        QPdfWriter pdf(path);
        EXPECT_TRUE(renderReport(data, pdf));
    }
    return path;
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
        EXPECT_TRUE(renderReport(*r, pdf));
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
        EXPECT_TRUE(renderReport(*empty, pdf));
    }
    EXPECT_TRUE(pdfText(emptyPath).contains("Empty"));

    // A device that cannot be drawn on (a printer that does not start) is said, not passed over.
    QPdfWriter nowhere(t.dir.filePath("no/such/folder/r.pdf"));
    EXPECT_FALSE(renderReport(*r, nowhere));
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
    auto column = [&](const Word &w) {
        int c = 0;
        while (c + 1 < 11 && margin + kLefts[c + 1] / 20.0 <= w.x0 + 0.5)
            ++c;
        return c;
    };
    auto insideItsColumn = [&](const Word &w) {
        const int c = column(w);
        EXPECT_LE(w.x1, margin + kLefts[c + 1] / 20.0 - 2) << w.text.toStdString();
    };

    const auto heading =
        std::find_if(words.begin(), words.end(), [](const Word &w) { return w.text == "STEP"; });
    ASSERT_NE(heading, words.end());
    std::map<int, std::vector<Word>> rows;         // data rows by their top
    std::map<int, std::vector<Word>> headingWords; // by column
    for (const Word &w : words) {
        if (w.y0 < heading->y0 - 1)
            continue;
        insideItsColumn(w);
        bool number = false;
        w.text.toDouble(&number);
        if (number && w.y0 > heading->y0 + 20)
            rows[static_cast<int>(std::lround(w.y0 * 4))].push_back(w);
        else
            headingWords[column(w)].push_back(w);
    }
    // Every heading is there in full inside its column, broken only between its lines.
    const char *headings[] = {
        "STEP NO:",         "TIME (sec):",          "TEMP (F):",      "Speed (Rpm):",
        "Shear Rate(1/S):", "SH.STRESS (dyn/cm2):", "Gel (dyn/cm2):", "RbFactor:",
        "VISC (cP):",       "Fann35 Read(°)",       "Fann35 Gel(°):"};
    for (int c = 0; c < 11; ++c) {
        auto &hw = headingWords[c];
        std::sort(hw.begin(), hw.end(), [](const Word &a, const Word &b) {
            return std::abs(a.y0 - b.y0) > 1 ? a.y0 < b.y0 : a.x0 < b.x0;
        });
        QString joined;
        for (const Word &w : hw)
            joined += w.text;
        EXPECT_EQ(joined, QString::fromUtf8(headings[c]).remove(' '));
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
