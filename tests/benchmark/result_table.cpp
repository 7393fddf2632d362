#include "result_table.h"

#include <QTextStream>
#include <algorithm>

void printTable(const QList<ResultRow>& rows, const QStringList& notes)
{
    qsizetype measureWidth = 7, figureWidth = 6, aimWidth = 3;
    for (const ResultRow& row : rows) {
        measureWidth = std::max(measureWidth, row.measure.size());
        figureWidth = std::max(figureWidth, row.figure.size());
        aimWidth = std::max(aimWidth, row.aim.size());
    }
    QTextStream out(stdout);
    const auto line = [&](const QString& a, const QString& b, const QString& c, const QString& d) {
        out << "| " << a.leftJustified(measureWidth) << " | " << b.leftJustified(figureWidth) << " | "
            << c.leftJustified(aimWidth) << " | " << d.leftJustified(4) << " |\n";
    };
    line("Measure", "Figure", "Aim", "Met");
    line(QString(measureWidth, '-'), QString(figureWidth, '-'), QString(aimWidth, '-'), "----");
    for (const ResultRow& row : rows)
        line(row.measure, row.figure, row.aim.isEmpty() ? "-" : row.aim, row.aim.isEmpty() ? "-" : row.met ? "yes" : "NO");
    for (const QString& note : notes)
        out << "Note: " << note << "\n";
    out.flush();
}
