// How long `viscora-cli export` takes to write a 600,000-point test as a workbook, and its peak
// memory, against a bare libxlsxwriter loop writing the same cells (the same numbers a row,
// bordered alike, in constant-memory mode), in one run; each in a process of its own.
// Run: build-bench/bench/viscora_export_ratio [POINTS]   (VISCORA_CLI=... measures another build)

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace viscora;

namespace {

// The floor: the test's twelve columns of numbers under a bordered heading, nothing else.
int bareLoop(const char *path, int points)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(path, &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *cells[3];
    for (lxw_format *&f : cells) {
        f = workbook_add_format(book);
        format_set_border(f, LXW_BORDER_THIN);
    }
    format_set_left(cells[0], LXW_BORDER_THICK);
    format_set_right(cells[2], LXW_BORDER_THICK);
    for (lxw_col_t c = 0; c < 12; ++c)
        worksheet_write_string(sheet, 8, c, "Heading", cells[c == 0 ? 0 : c == 11 ? 2 : 1]);
    const int perStep = points / 98 + 1;
    for (int i = 0; i < points; ++i) {
        const auto row = static_cast<lxw_row_t>(10 + i);
        const int step = i / perStep + 1;
        const double speed = 3 + (step % 10) * 60, stress = (50 + speed * 0.8 + (i % 7)) * 1.065;
        const double values[12] = {static_cast<double>(step),
                                   static_cast<double>(i % perStep),
                                   static_cast<double>(i),
                                   120 + 50 * std::sin(i / 5000.0),
                                   speed * 1.7023,
                                   speed,
                                   stress,
                                   stress / ((speed + 1e-7) * 1.7023) * 100,
                                   10.65,
                                   1,
                                   stress / 1.065,
                                   10};
        for (lxw_col_t c = 0; c < 12; ++c)
            worksheet_write_number(sheet, row, c, values[c], cells[c == 0 ? 0 : c == 11 ? 2 : 1]);
    }
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--bare")
        return bareLoop(argv[2], std::atoi(argv[3]));
    QCoreApplication app(argc, argv);
    const int points = argc > 1 ? std::atoi(argv[1]) : 600000;
    QTemporaryDir dir;
    const std::string db = dir.filePath(QStringLiteral("k7400r.mdb")).toStdString();
    bench::makeLongTest(QString::fromStdString(db), points).reset();
    const std::string cli = bench::cliProgram(VISCORA_CLI_BIN),
                      out = dir.filePath(QStringLiteral("t.xlsx")).toStdString();
    const bench::Measured viscora = bench::bestOf(3, {cli, "--db", db, "export", "long", out});
    const bench::Measured bare = bench::bestOf(
        3, {QCoreApplication::applicationFilePath().toStdString(), "--bare",
            dir.filePath(QStringLiteral("bare.xlsx")).toStdString(), std::to_string(points)});
    std::printf("%d points: viscora-cli export %.2f s (cpu %.2f s), %ld MiB; bare libxlsxwriter "
                "loop %.2f s (cpu %.2f s), %ld MiB; ratio %.2f (cpu %.2f); this benchmark held "
                "%ld MiB\n",
                points, viscora.seconds, viscora.cpu, viscora.peakMb, bare.seconds, bare.cpu,
                bare.peakMb, viscora.seconds / bare.seconds, viscora.cpu / bare.cpu,
                bench::statusMb("VmRSS:"));
    return 0;
}
