#include "app/support/CodeRows.h"

#include <QStringList>

#include "support/VorwahlCsv.h"

namespace nummerix::apptest {

const std::vector<TCodeRow>& CodeRows() {
    static const std::vector<TCodeRow> rows = [] {
        std::vector<TCodeRow> converted;
        for (const kartei::testsupport::TVorwahlCsvRow& row : kartei::testsupport::VorwahlCsvRows()) {
            converted.push_back({QString::fromStdString(row.AreaCode), QString::fromStdString(row.City)});
        }
        return converted;
    }();
    return rows;
}

QStringList CodesOf(const QString& city) {
    QStringList codes;
    for (const TCodeRow& row : CodeRows()) {
        if (row.City == city) {
            codes << row.AreaCode;
        }
    }
    return codes;
}

QString CityOf(const QString& areaCode) {
    for (const TCodeRow& row : CodeRows()) {
        if (row.AreaCode == areaCode) {
            return row.City;
        }
    }
    return {};
}

}  // namespace nummerix::apptest
