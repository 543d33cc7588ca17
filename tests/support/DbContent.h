#pragma once
// Everything a database holds, as lines to compare, ids included.

#include "store/Database.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace viscora::test {

// One stored row: its table, the id of the test or sequence it belongs to, the rest.
struct Row {
    QString table;
    int id;
    QStringList cells;
};

// Everything a copy carries, ids included, in id order; numbers as their exact digits.
inline std::vector<Row> contentOf(Database &db)
{
    const struct {
        const char *table, *sql;
    } tables[] = {
        {"RelatedInfo", "SELECT TestId, TestName, MudId, SampleTime, CompanyName, \"Desc\" FROM "
                        "RelatedInfo ORDER BY TestId"},
        {"TestResult", "SELECT TestId, StepNo, Time, Temperature, Speed, Shearstress, Gel, "
                       "Rbfactor FROM TestResult ORDER BY TestId, StepNo, Time, $ROWID"},
        {"TestEvents", "SELECT TestId, Time, Kind, Text FROM TestEvents ORDER BY TestId, Time"},
        {"SequenceName",
         "SELECT SequenceId, SequenceName, Rbfactor FROM SequenceName ORDER BY SequenceId"},
        {"SequenceSetup", "SELECT SequenceId, StepNo, Time, Temperature, Speed, RecordRate FROM "
                          "SequenceSetup ORDER BY SequenceId, StepNo"},
    };
    std::vector<Row> rows;
    for (const auto &t : tables) {
        QSqlQuery q(db.sql());
        EXPECT_TRUE(q.exec(db.text(t.sql))) << t.sql;
        while (q.next()) {
            Row r{QString::fromLatin1(t.table), q.value(0).toInt(), {}};
            for (int c = 1; c < q.record().count(); ++c) {
                const QVariant v = q.value(c);
                r.cells << (v.isNull() ? QStringLiteral("NULL")
                            : v.typeId() == QMetaType::QString
                                ? v.toString()
                                : QString::number(v.toDouble(), 'g', 17));
            }
            rows.push_back(r);
        }
    }
    return rows;
}

inline std::vector<std::string> lines(const std::vector<Row> &rows)
{
    std::vector<std::string> out;
    for (const Row &r : rows)
        out.push_back(QStringLiteral("%1 %2: %3")
                          .arg(r.table)
                          .arg(r.id)
                          .arg(r.cells.join(QStringLiteral(" | ")))
                          .toStdString());
    return out;
}

} // namespace viscora::test
