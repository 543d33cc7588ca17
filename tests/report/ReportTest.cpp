#include "support/TestDb.h"
#include "report/TestReport.h"

#include <QPdfWriter>
#include <QProcess>

#include <gtest/gtest.h>

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
        renderReport(*r, pdf);
    }
    const QString text = pdfText(path);
    for (const char *s :
         {"K7400 Viscosity Test Report", "TestName:", "Report me", "MudId:", "mud",
          "CompanyName:", "ACME", "STEP", "SH.STRESS", "Fann35", "510.69", "212", "400"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains("4000000000")) << text.toStdString(); // speed 0: a huge viscosity

    const auto empty = must(loadReport(TestRepository(*t.db), 2, 1));
    const QString emptyPath = t.dir.filePath("e.pdf");
    {
        QPdfWriter pdf(emptyPath);
        renderReport(*empty, pdf);
    }
    EXPECT_TRUE(pdfText(emptyPath).contains("Empty"));
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
