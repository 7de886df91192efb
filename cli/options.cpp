// The one option parser of the commands.
#include "cli/options.h"

#include <algorithm>

namespace cli {

namespace {

bool looksLikeNumber(std::string_view word) {
    return word.size() > 1 && word[0] == '-' && word[1] >= '0' && word[1] <= '9';
}

}  // namespace

bool ParsedArguments::has(std::string_view option) const { return m_given.find(option) != m_given.end(); }

std::optional<std::string> ParsedArguments::value(std::string_view option) const {
    const auto found = m_given.find(option);
    if (found == m_given.end()) return std::nullopt;
    return found->second;
}

const std::string& ParsedArguments::positional(std::size_t index, std::string_view name) const {
    if (index >= m_positionals.size()) throw UsageError("missing " + std::string(name) + " argument");
    return m_positionals[index];
}

void ParsedArguments::noMoreThan(std::size_t count) const {
    if (m_positionals.size() > count) throw UsageError("unexpected argument '" + m_positionals[count] + "'");
}

ParsedArguments parseArguments(Arguments args, std::initializer_list<OptionSpec> options) {
    ParsedArguments line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word == "-" || !word.starts_with('-') || looksLikeNumber(word)) {
            line.m_positionals.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = word.starts_with("--") ? word.find('=') : std::string::npos;
        const std::string name = word.substr(0, equals);
        const auto spec =
            std::find_if(options.begin(), options.end(), [&](const OptionSpec& option) { return option.name == name; });
        if (spec == options.end()) throw UsageError("unknown option '" + name + "'");
        if (line.has(name)) throw UsageError(name + " is given twice");
        std::string value;
        if (spec->value.empty()) {
            if (equals != std::string::npos) throw UsageError(name + " takes no value");
        } else {
            if (equals != std::string::npos)
                value = word.substr(equals + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            if (value.empty()) throw UsageError(name + " wants a value");
        }
        line.m_given.emplace(name, std::move(value));
    }
    return line;
}

bool asksForHelp(Arguments args) {
    for (const std::string& word : args) {
        if (word == "--") return false;
        if (word == "--help" || word == "-h") return true;
    }
    return false;
}

}  // namespace cli
