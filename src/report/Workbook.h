#pragma once
// A worksheet written row by row (libxlsxwriter's constant-memory mode) into a temporary
// file beside the target, which replaces the target only once the workbook is complete:
// a failed export never leaves a file that looks finished.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace viscora {

enum class Edge : std::uint8_t { None = 0, Thin = 1, Thick = 2 };

struct CellStyle {
    bool fill = false; // the heading fill (colour index 24)
    Edge left = Edge::None, right = Edge::None, top = Edge::None, bottom = Edge::None;
    bool operator<(const CellStyle &o) const;
};

// Excel's colour index 24 of its default palette.
constexpr std::uint32_t kHeadingFill = 0xCCCCFF;

class Workbook {
public:
    // The first sheet is named `firstSheet`, or by the spreadsheet's default when empty.
    explicit Workbook(std::string path, const std::string &firstSheet = {});
    ~Workbook();
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    bool ok() const { return error_.empty(); }

    // Starts the next worksheet under the given name; what follows is written there, rows
    // again from the top. The sheet before is finished (fit its columns first).
    void addSheet(const std::string &name);
    const std::string &error() const { return error_; }

    // Rows and columns are 1-based, as the exports count them; rows go in ascending order.
    void number(int row, int col, double value, const CellStyle &style = {});
    void text(int row, int col, const std::string &value, const CellStyle &style = {});
    void blank(int row, int col, const CellStyle &style);

    // Column widths fitted to what was written (call before close()).
    void fitColumns(int firstCol, int lastCol);
    void printSetUp(int titleFirstRow, int titleLastRow, int pagesWide, int pagesTall);

    // Writes the file; false (with error()) when it could not be written.
    bool close();

private:
    lxw_format *format(const CellStyle &s);
    void note(int col, std::size_t width);
    // The same for a number, worked out only while it can still widen the column.
    void noteNumber(int col, double value);
    void check(int code, const char *what);

    std::string path_, temp_;
    lxw_workbook *book_ = nullptr;
    lxw_worksheet *sheet_ = nullptr;
    std::map<CellStyle, lxw_format *> formats_;
    std::map<int, std::size_t> widths_;
    // Each column's last number and its width: long columns repeat values.
    std::map<int, std::pair<double, std::size_t>> lastNumber_;
    std::string error_;
    bool closed_ = false;
};

// The bordered block of rows first..last and columns 1..lastCol: thick outside, thin inside.
CellStyle gridStyle(int row, int col, int firstRow, int lastRow, int lastCol, bool fill);

// How a number shows in a General cell (up to 11 characters), for fitting widths.
std::string generalText(double v);
constexpr std::size_t kGeneralWidth = 11;
// Its length, without writing it where that is plain (whole numbers).
std::size_t generalWidth(double v);

} // namespace viscora
