#pragma once
// Reads a written workbook back for checks: cell values and types, the fill and borders of
// each cell, and the page set-up texts. Uses unzip to take the parts out.

#include <QProcess>
#include <QString>
#include <QXmlStreamReader>

#include <map>
#include <string>
#include <vector>

namespace viscora::test {

struct XlsxCell {
    bool isNumber = false;
    double number = 0;
    std::string text;
    int style = 0;
};

struct XlsxBorder {
    std::string left, right, top, bottom; // "", "thin", "thick"
};

class XlsxReader {
public:
    // The workbook's n-th worksheet (1 is the first).
    explicit XlsxReader(const QString &path, int sheetNumber = 1)
    {
        sheet = part(path, QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheetNumber));
        styles = part(path, QStringLiteral("xl/styles.xml"));
        workbook = part(path, QStringLiteral("xl/workbook.xml"));
        readCells();
        readStyles();
    }

    bool has(const std::string &ref) const { return cells.count(ref) > 0; }
    const XlsxCell &at(const std::string &ref) const
    {
        static const XlsxCell none;
        const auto it = cells.find(ref);
        return it == cells.end() ? none : it->second;
    }
    double number(const std::string &ref) const { return at(ref).number; }
    std::string text(const std::string &ref) const { return at(ref).text; }
    std::string fill(const std::string &ref) const
    {
        const int s = at(ref).style;
        return s < static_cast<int>(xfFill.size())
                   ? fills[static_cast<size_t>(xfFill[static_cast<size_t>(s)])]
                   : "";
    }
    XlsxBorder border(const std::string &ref) const
    {
        const int s = at(ref).style;
        return s < static_cast<int>(xfBorder.size())
                   ? borders[static_cast<size_t>(xfBorder[static_cast<size_t>(s)])]
                   : XlsxBorder{};
    }
    // The last cell reference of the sheet's dimension ("A1:L46" -> "L46").
    std::string lastCell() const
    {
        const int at = static_cast<int>(sheet.indexOf("<dimension ref=\""));
        if (at < 0)
            return "";
        const QString ref = sheet.mid(at + 16).section('"', 0, 0);
        return ref.section(':', -1).toStdString();
    }

    QString sheet, styles, workbook;
    std::map<std::string, XlsxCell> cells;

private:
    static QString part(const QString &path, const QString &name)
    {
        QProcess p;
        p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, name});
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    void readCells()
    {
        QXmlStreamReader x(sheet);
        XlsxCell cell;
        std::string ref;
        bool inline_ = false;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == QLatin1String("c")) {
                cell = {};
                ref = x.attributes().value("r").toString().toStdString();
                cell.style = x.attributes().value("s").toInt();
                inline_ = x.attributes().value("t") == QLatin1String("inlineStr");
                cells[ref] = cell;
            } else if (x.isStartElement() && x.name() == QLatin1String("v")) {
                const QString v = x.readElementText();
                cells[ref].isNumber = !inline_;
                cells[ref].number = v.toDouble();
                cells[ref].text = v.toStdString();
            } else if (x.isStartElement() && x.name() == QLatin1String("t") && inline_) {
                cells[ref].text = x.readElementText().toStdString();
            }
        }
    }

    void readStyles()
    {
        QXmlStreamReader x(styles);
        enum { None, Fills, Borders, Xfs } in = None;
        XlsxBorder border;
        std::string *edge = nullptr;
        while (!x.atEnd()) {
            x.readNext();
            const auto name = x.name();
            if (x.isStartElement()) {
                if (name == QLatin1String("fills"))
                    in = Fills;
                else if (name == QLatin1String("borders"))
                    in = Borders;
                else if (name == QLatin1String("cellXfs"))
                    in = Xfs;
                else if (name == QLatin1String("cellStyleXfs") ||
                         name == QLatin1String("cellStyles"))
                    in = None;
                else if (in == Fills && name == QLatin1String("fill"))
                    fills.push_back("");
                else if (in == Fills && name == QLatin1String("fgColor"))
                    fills.back() = x.attributes().value("rgb").toString().toStdString();
                else if (in == Borders && name == QLatin1String("border"))
                    border = {};
                else if (in == Borders &&
                         (name == QLatin1String("left") || name == QLatin1String("right") ||
                          name == QLatin1String("top") || name == QLatin1String("bottom"))) {
                    edge = name == QLatin1String("left")    ? &border.left
                           : name == QLatin1String("right") ? &border.right
                           : name == QLatin1String("top")   ? &border.top
                                                            : &border.bottom;
                    *edge = x.attributes().value("style").toString().toStdString();
                } else if (in == Xfs && name == QLatin1String("xf")) {
                    xfFill.push_back(x.attributes().value("fillId").toInt());
                    xfBorder.push_back(x.attributes().value("borderId").toInt());
                }
            } else if (x.isEndElement() && in == Borders && name == QLatin1String("border")) {
                borders.push_back(border);
            }
        }
    }

    std::vector<std::string> fills;
    std::vector<XlsxBorder> borders;
    std::vector<int> xfFill, xfBorder;
};

} // namespace viscora::test
