#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kartei::tools {

// The arguments of one subcommand after parsing.
class TParsedArguments {
public:
    bool HelpWanted = false;
    std::vector<std::string> Positionals;

    bool Has(std::string_view option) const { return values_.contains(std::string(option)); }
    // The last value given for an option, or `fallback` when it was not given.
    std::string Value(std::string_view option, std::string_view fallback = {}) const;
    // Every value given for a repeatable option, in command-line order.
    std::vector<std::string> Values(std::string_view option) const;

private:
    friend class TArgumentParser;
    std::map<std::string, std::vector<std::string>, std::less<>> values_;
};

// A small parser for "--name value", "--name=value", flags and positional arguments, which also writes the
// subcommand's help text. "-h" and "--help" ask for help; "--" ends the options.
class TArgumentParser {
public:
    // `usage` follows the program and subcommand name in the help ("TABLE [--index NAME]"); `description`
    // and `epilogue` (examples) are printed as given.
    TArgumentParser(std::string usage, std::string description, std::string epilogue = {});

    // An option with a value when `valueName` is not empty, else a flag.
    void AddOption(std::string name, std::string valueName, std::string help);
    void AddPositional(std::string name, std::string help);

    // EToolError (usage) for an unknown option, a missing value, a flag given a value, or a wrong number of
    // positional arguments (not checked when help is wanted).
    TParsedArguments Parse(std::span<const std::string> arguments) const;
    std::string Help(std::string_view commandLine) const;

private:
    struct TOption {
        std::string Name;
        std::string ValueName;
        std::string Help;
    };
    const TOption* Find(std::string_view name) const;

    std::string usage_;
    std::string description_;
    std::string epilogue_;
    std::vector<TOption> options_;
    std::vector<TOption> positionals_;
};

}  // namespace kartei::tools
