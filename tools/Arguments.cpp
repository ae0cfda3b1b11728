#include "tools/Arguments.h"

#include <algorithm>

#include "tools/ToolError.h"

namespace kartei::tools {

std::string TParsedArguments::Value(std::string_view option, std::string_view fallback) const {
    const auto found = values_.find(option);
    return found == values_.end() ? std::string(fallback) : found->second.back();
}

std::vector<std::string> TParsedArguments::Values(std::string_view option) const {
    const auto found = values_.find(option);
    return found == values_.end() ? std::vector<std::string>{} : found->second;
}

TArgumentParser::TArgumentParser(std::string usage, std::string description, std::string epilogue)
    : usage_(std::move(usage)), description_(std::move(description)), epilogue_(std::move(epilogue)) {}

void TArgumentParser::AddOption(std::string name, std::string valueName, std::string help) {
    options_.push_back(TOption{std::move(name), std::move(valueName), std::move(help)});
}

void TArgumentParser::AddPositional(std::string name, std::string help) {
    positionals_.push_back(TOption{std::move(name), {}, std::move(help)});
}

const TArgumentParser::TOption* TArgumentParser::Find(std::string_view name) const {
    const auto found = std::find_if(options_.begin(), options_.end(),
                                    [&](const TOption& option) { return option.Name == name; });
    return found == options_.end() ? nullptr : &*found;
}

TParsedArguments TArgumentParser::Parse(std::span<const std::string> arguments) const {
    TParsedArguments parsed;
    bool optionsEnded = false;
    for (size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.Positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            parsed.HelpWanted = true;
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const TOption* option = Find(name);
        if (option == nullptr) {
            throw UsageError("unknown option '" + name + "'");
        }
        if (option->ValueName.empty()) {
            if (equals != std::string::npos) {
                throw UsageError("option '" + name + "' takes no value");
            }
            parsed.values_[name].emplace_back();
        } else if (equals != std::string::npos) {
            parsed.values_[name].push_back(argument.substr(equals + 1));
        } else if (k + 1 < arguments.size()) {
            parsed.values_[name].push_back(arguments[++k]);
        } else {
            throw UsageError("option '" + name + "' needs a value (" + option->ValueName + ")");
        }
    }
    if (!parsed.HelpWanted && parsed.Positionals.size() != positionals_.size()) {
        throw UsageError(parsed.Positionals.size() < positionals_.size()
                             ? "missing argument " + positionals_[parsed.Positionals.size()].Name
                             : "unexpected argument '" + parsed.Positionals[positionals_.size()] + "'");
    }
    return parsed;
}

namespace {

void AppendEntry(std::string& out, const std::string& term, const std::string& help) {
    constexpr size_t kColumn = 24;
    out += "  " + term;
    out += term.size() + 2 < kColumn ? std::string(kColumn - term.size() - 2, ' ')
                                     : "\n" + std::string(kColumn, ' ');
    for (const char c : help) {
        out += c;
        if (c == '\n') {
            out += std::string(kColumn, ' ');
        }
    }
    out += '\n';
}

}  // namespace

std::string TArgumentParser::Help(std::string_view commandLine) const {
    std::string out = "Usage: " + std::string(commandLine) + " " + usage_ + "\n\n" + description_ + "\n";
    if (!positionals_.empty()) {
        out += "\nArguments:\n";
        for (const TOption& positional : positionals_) {
            AppendEntry(out, positional.Name, positional.Help);
        }
    }
    out += "\nOptions:\n";
    for (const TOption& option : options_) {
        AppendEntry(out, option.ValueName.empty() ? option.Name : option.Name + " " + option.ValueName,
                    option.Help);
    }
    AppendEntry(out, "-h, --help", "show this help and exit");
    if (!epilogue_.empty()) {
        out += "\n" + epilogue_;
        if (epilogue_.back() != '\n') {
            out += '\n';
        }
    }
    return out;
}

}  // namespace kartei::tools
