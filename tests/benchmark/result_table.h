#pragma once
// The benchmark's one table: what was measured, the figure, the aim and whether it was met.

#include <QString>
#include <QList>

struct ResultRow {
    QString measure;
    QString figure;
    QString aim;     // empty when there is none
    bool met = true;
};

void printTable(const QList<ResultRow>& rows, const QStringList& notes);
