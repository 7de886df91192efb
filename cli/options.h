// The command line of one command, split into its options and its positional arguments, the same
// way for every command:
//
//     const ParsedArguments line = parseArguments(args, {{"--format", "FORMAT"}, {"--deleted"}});
//     const std::string& file = line.positional(0, "FILE");   // "missing FILE argument"
//     line.noMoreThan(1);                                       // "unexpected argument 'x'"
//     const std::string format = line.value("--format").value_or("tsv");
//     if (line.has("--deleted")) ...
//
// Rules, all of them raising UsageError with one line the user can act on:
// - an option is "--name" or, when it takes a value, "--name VALUE" or "--name=VALUE"; an empty
//   value and a missing one are refused ("--format wants a value"), as is a value given to an
//   option that takes none ("--deleted takes no value") and an option given twice;
// - a word starting with '-' that is not a declared option is refused ("unknown option '-x'"),
//   except "-" alone (standard input, by convention) and negative numbers such as "-3", which are
//   positional, so that a command can refuse them with its own reason;
// - "--" ends the options: every word after it is positional, whatever it looks like.
// "--help" is not declared here: the dispatcher answers it before the command runs.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"

namespace cli {

struct OptionSpec {
    std::string_view name;        // with its dashes: "--format"
    std::string_view value = {};  // the value's name for messages ("FORMAT"); empty: a flag
};

class ParsedArguments {
public:
    // Whether the option was given (a flag, or an option with its value).
    bool has(std::string_view option) const;
    // The value of an option that takes one, or nullopt when it was not given.
    std::optional<std::string> value(std::string_view option) const;

    const std::vector<std::string>& positionals() const { return m_positionals; }
    // Positional argument `index` (from 0); raises "missing NAME argument" when there are fewer.
    const std::string& positional(std::size_t index, std::string_view name) const;
    // Raises "unexpected argument 'X'" for the first positional beyond `count`.
    void noMoreThan(std::size_t count) const;

private:
    friend ParsedArguments parseArguments(Arguments args, std::initializer_list<OptionSpec> options);
    std::vector<std::string> m_positionals;
    std::map<std::string, std::string, std::less<>> m_given;  // option -> value ("" for a flag)
};

ParsedArguments parseArguments(Arguments args, std::initializer_list<OptionSpec> options);

// Whether the words ask for help: "--help" or "-h" before any "--".
bool asksForHelp(Arguments args);

// What a command's NAME argument picks from `entries` (each with a cliName): every one for "all",
// else the one `named` finds; any other name is refused, listing the names:
// "unknown method 'x' (a, b, or all)".
template <typename Entry, typename Lookup>
std::vector<const Entry*> pickedByName(std::span<const Entry> entries, Lookup named, const std::string& name,
                                       const std::string& kind) {
    std::vector<const Entry*> picked;
    if (name == "all") {
        for (const Entry& entry : entries) picked.push_back(&entry);
    } else if (const Entry* entry = named(name)) {
        picked.push_back(entry);
    } else {
        std::string names;
        for (const Entry& each : entries) names += std::string(each.cliName) + ", ";
        throw UsageError("unknown " + kind + " '" + name + "' (" + names + "or all)");
    }
    return picked;
}

}  // namespace cli
