#pragma once

#include <QString>
#include <vector>

namespace nummerix::apptest {

// One line of data/vorwahlen.csv, the source of the shipped tables.
struct TCodeRow {
    QString AreaCode;
    QString City;
};

const std::vector<TCodeRow>& CodeRows();
// The codes the list gives the city, in file order.
QStringList CodesOf(const QString& city);
QString CityOf(const QString& areaCode);

}  // namespace nummerix::apptest
