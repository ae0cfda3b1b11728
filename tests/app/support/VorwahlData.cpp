#include "app/support/VorwahlData.h"

#include <QFile>
#include <QStringList>

namespace nummerix::apptest {

const std::vector<TCodeRow>& CodeRows() {
    static const std::vector<TCodeRow> rows = [] {
        std::vector<TCodeRow> read;
        QFile file(QStringLiteral(NUMMERIX_SOURCE_DIR "/data/vorwahlen.csv"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            qFatal("cannot read %s", qPrintable(file.fileName()));
        }
        file.readLine();  // heading
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            const qsizetype comma = line.indexOf(QLatin1Char(','));
            read.push_back({line.left(comma), line.mid(comma + 1)});
        }
        return read;
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
