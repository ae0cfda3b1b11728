#include "dataset/framework/DatabaseErrors.h"

#include "base/DatabaseError.h"
#include "dataset/framework/Component.h"

namespace kartei {

std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string text;
    text.reserve(pattern.size() + 32);
    auto next = args.begin();
    size_t at = 0;
    for (size_t mark = pattern.find("%s"); mark != std::string_view::npos && next != args.end();
         mark = pattern.find("%s", at)) {
        text.append(pattern, at, mark - at);
        text.append(*next++);
        at = mark + 2;
    }
    text.append(pattern, at);
    return text;
}

std::string ComponentMessage(std::string_view componentName, std::string_view message) {
    if (componentName.empty()) {
        return std::string(message);
    }
    return FormatMessage("%s: %s", {componentName, message});
}

void RaiseDatabaseError(std::string_view message) {
    throw EDatabaseError(std::string(message));
}

void RaiseComponentError(std::string_view componentName, std::string_view message) {
    throw EDatabaseError(ComponentMessage(componentName, message));
}

void RaiseComponentError(const TComponent& component, std::string_view message) {
    RaiseComponentError(component.Name(), message);
}

}  // namespace kartei
