#include "app/ErrorText.h"

#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "base/DatabaseError.h"
#include "lookup/UiText.h"

namespace nummerix {

QString ExceptionMessage(const std::exception& error) {
    if (const auto* databaseError = dynamic_cast<const kartei::EDatabaseError*>(&error)) {
        return kartei::ToQString(databaseError->Message());
    }
    return QString::fromUtf8(error.what());
}

QString ExceptionClassName(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    const QString name = QString::fromUtf8(status == 0 ? demangled.get() : mangled);
    const qsizetype scope = name.lastIndexOf(QLatin1String("::"));
    return scope < 0 ? name : name.mid(scope + 2);
}

QString HandlerErrorText(const std::exception& error) {
    QString text = ExceptionMessage(error);
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) {
        text += QLatin1Char('.');
    }
    return text;
}

QString StartupErrorText(const std::exception& error, const QString& moduleName) {
    QString message = ExceptionMessage(error);
    if (!message.isEmpty() && !message.endsWith(QLatin1Char('.'))) {
        message += QLatin1Char('.');
    }
    const auto address = reinterpret_cast<quintptr>(&error);
    return QStringLiteral("Exception %1 in Modul %2 bei %3.\n%4")
        .arg(ExceptionClassName(error), moduleName,
             QStringLiteral("%1").arg(address, int(sizeof(void*) * 2), 16, QLatin1Char('0')).toUpper(),
             message);
}

}  // namespace nummerix
