#include "report/Workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <unistd.h>

namespace viscora {

bool CellStyle::operator<(const CellStyle &o) const
{
    return std::tie(fill, left, right, top, bottom) <
           std::tie(o.fill, o.left, o.right, o.top, o.bottom);
}

namespace {
uint8_t borderOf(Edge e)
{
    switch (e) {
    case Edge::Thin:
        return LXW_BORDER_THIN;
    case Edge::Thick:
        return LXW_BORDER_THICK;
    default:
        return LXW_BORDER_NONE;
    }
}
} // namespace

Workbook::Workbook(std::string path, const std::string &firstSheet) : path_(std::move(path))
{
    // The temporary name keeps the folder, so the final rename never crosses file systems.
    const auto slash = path_.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    temp_ = dir + "." + base + "." + std::to_string(getpid()) + ".part";
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    book_ = workbook_new_opt(temp_.c_str(), &options);
    if (!book_) {
        error_ = "the workbook could not be created";
        return;
    }
    sheet_ = workbook_add_worksheet(book_, firstSheet.empty() ? nullptr : firstSheet.c_str());
    if (!sheet_)
        error_ = "the first worksheet could not be added";
}

Workbook::~Workbook()
{
    if (!closed_) {
        if (book_)
            workbook_close(book_);
        std::remove(temp_.c_str());
    }
}

void Workbook::addSheet(const std::string &name)
{
    if (!book_)
        return;
    sheet_ = workbook_add_worksheet(book_, name.c_str());
    if (!sheet_ && error_.empty())
        error_ = "the worksheet " + name + " could not be added";
    widths_.clear();
    lastNumber_.clear();
}

void Workbook::check(int code, const char *what)
{
    if (code != LXW_NO_ERROR && error_.empty())
        error_ = std::string(what) + ": " + lxw_strerror(static_cast<lxw_error>(code));
}

lxw_format *Workbook::format(const CellStyle &s)
{
    if (!s.fill && s.left == Edge::None && s.right == Edge::None && s.top == Edge::None &&
        s.bottom == Edge::None)
        return nullptr;
    auto it = formats_.find(s);
    if (it != formats_.end())
        return it->second;
    lxw_format *f = workbook_add_format(book_);
    if (s.fill) {
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_bg_color(f, kHeadingFill);
    }
    format_set_left(f, borderOf(s.left));
    format_set_right(f, borderOf(s.right));
    format_set_top(f, borderOf(s.top));
    format_set_bottom(f, borderOf(s.bottom));
    formats_[s] = f;
    return f;
}

void Workbook::note(int col, std::size_t width)
{
    auto &w = widths_[col];
    if (width > w)
        w = width;
}

void Workbook::noteNumber(int col, double value)
{
    auto &w = widths_[col];
    if (w >= kGeneralWidth)
        return;
    auto [last, fresh] = lastNumber_.try_emplace(col, value, 0);
    if (fresh || last->second.first != value)
        last->second = {value, generalWidth(value)};
    w = std::max(w, last->second.second);
}

void Workbook::number(int row, int col, double value, const CellStyle &style)
{
    if (!sheet_)
        return;
    check(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row - 1),
                                 static_cast<lxw_col_t>(col - 1), value, format(style)),
          "writing a number");
    noteNumber(col, value);
}

void Workbook::text(int row, int col, const std::string &value, const CellStyle &style)
{
    if (!sheet_)
        return;
    if (value.empty()) {
        blank(row, col, style);
        return;
    }
    check(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row - 1),
                                 static_cast<lxw_col_t>(col - 1), value.c_str(), format(style)),
          "writing a text");
    // Characters, not bytes: "°" and "®" are one column each.
    std::size_t chars = 0;
    for (unsigned char c : value)
        chars += (c & 0xC0) != 0x80;
    note(col, chars);
}

void Workbook::blank(int row, int col, const CellStyle &style)
{
    if (!sheet_)
        return;
    if (lxw_format *f = format(style))
        check(worksheet_write_blank(sheet_, static_cast<lxw_row_t>(row - 1),
                                    static_cast<lxw_col_t>(col - 1), f),
              "writing a cell");
}

void Workbook::fitColumns(int firstCol, int lastCol)
{
    if (!sheet_)
        return;
    for (int c = firstCol; c <= lastCol; ++c) {
        const std::size_t chars = widths_.count(c) ? widths_[c] : 0;
        const double width = chars ? static_cast<double>(chars) + 1.43 : LXW_DEF_COL_WIDTH;
        check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c - 1),
                                   static_cast<lxw_col_t>(c - 1), width, nullptr),
              "setting a column width");
    }
}

void Workbook::printSetUp(int titleFirstRow, int titleLastRow, int pagesWide, int pagesTall)
{
    if (!sheet_)
        return;
    check(worksheet_repeat_rows(sheet_, static_cast<lxw_row_t>(titleFirstRow - 1),
                                static_cast<lxw_row_t>(titleLastRow - 1)),
          "setting the print titles");
    worksheet_set_landscape(sheet_);
    worksheet_fit_to_pages(sheet_, static_cast<uint16_t>(pagesWide),
                           static_cast<uint16_t>(pagesTall));
}

bool Workbook::close()
{
    if (closed_)
        return ok();
    closed_ = true;
    if (book_) {
        const lxw_error e = workbook_close(book_);
        book_ = nullptr;
        if (e != LXW_NO_ERROR && error_.empty())
            error_ = std::string("the workbook could not be written: ") + lxw_strerror(e);
    }
    if (ok() && std::rename(temp_.c_str(), path_.c_str()) != 0)
        error_ = std::string("the workbook could not be saved: ") + std::strerror(errno);
    if (!ok())
        std::remove(temp_.c_str());
    return ok();
}

CellStyle gridStyle(int row, int col, int firstRow, int lastRow, int lastCol, bool fill)
{
    CellStyle s;
    s.fill = fill;
    s.left = col == 1 ? Edge::Thick : Edge::Thin;
    s.right = col == lastCol ? Edge::Thick : Edge::Thin;
    s.top = row == firstRow ? Edge::Thick : Edge::Thin;
    s.bottom = row == lastRow ? Edge::Thick : Edge::Thin;
    return s;
}

std::size_t generalWidth(double v)
{
    // A whole number below 1e10 shows all its digits, no point and no exponent.
    if (std::abs(v) < 1e10 && v == std::trunc(v)) {
        std::size_t digits = std::signbit(v) ? 2 : 1;
        for (double rest = std::abs(v); rest >= 10; rest = std::trunc(rest / 10))
            ++digits;
        return digits;
    }
    return generalText(v).size();
}

std::string generalText(double v)
{
    char buf[32];
    if (!std::isfinite(v)) {
        std::snprintf(buf, sizeof buf, "%G", v);
        return buf;
    }
    // What "%.*G" writes, without printf's cost: a long sheet asks for every cell.
    for (int digits = 10; digits >= 1; --digits) {
        char *end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits).ptr;
        if (end - buf <= 11 || digits == 1) {
            std::transform(buf, end, buf, [](char c) { return c == 'e' ? 'E' : c; });
            return std::string(buf, end);
        }
    }
    return {};
}

} // namespace viscora
