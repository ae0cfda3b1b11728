#pragma once

#include <QString>
#include <exception>

namespace nummerix {

// The text of an exception in Unicode: the dataset layer's messages are cp1252, all others UTF-8.
QString ExceptionMessage(const std::exception& error);

// The class name of the exception without its namespaces ("EKarteiEngineError").
QString ExceptionClassName(const std::exception& error);

// What the error box of an event handler shows: the message, with "." appended when its last character
// sorts after ".".
QString HandlerErrorText(const std::exception& error);

// What a failed start shows: "Exception %s in Modul %s bei %p.", a line break, and the message with "."
// appended unless it is empty or ends with one. The address is that of the exception object: C++ keeps
// no code address of a throw.
QString StartupErrorText(const std::exception& error, const QString& moduleName);

}  // namespace nummerix
