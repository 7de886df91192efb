// The alias file is an INI file; only its [Alias] section counts, "name=path" a line, with ';'
// starting a comment line. Names compare without regard to ASCII letter case.
#include "dataset/aliases.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "dbf/text_numbers.h"
#include "platform/ascii_case.h"
#include "platform/os_file.h"

namespace {

constexpr const char* kDefaultDirectory = "Default Directory";

bool sameText(const std::string& a, const std::string& b) { return platform::sameAsciiIgnoringCase(a, b); }

std::string configDirectory() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config";
    return std::string();
}

std::string executableDirectory() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return std::string();
    std::string text(path, static_cast<std::size_t>(length));
    const std::size_t slash = text.find_last_of('/');
    return slash == std::string::npos ? std::string() : text.substr(0, slash);
}

}  // namespace

TAliasList& DirectoryAliases() {
    static TAliasList aliases = [] {
        TAliasList list;
        list.emplace_back(kDefaultDirectory, std::string());
        return list;
    }();
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        LoadDirectoryAliases();
    }
    return aliases;
}

void LoadDirectoryAliases() {
    auto& aliases = DirectoryAliases();
    aliases.resize(1);
    const std::string directory = configDirectory();
    if (directory.empty()) return;
    const std::string path = directory + "/xbase.cfg";
    if (!platform::isRegularFile(path)) return;
    std::string text;
    if (!platform::readWholeFile(path, text)) return;
    std::istringstream file(text);
    std::string line;
    bool inAliasSection = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = xb::trimBlanksAndControls(line);
        if (trimmed.empty() || trimmed[0] == ';') continue;
        if (trimmed.front() == '[') {
            inAliasSection = sameText(trimmed, "[Alias]");
            continue;
        }
        const std::size_t equals = trimmed.find('=');
        if (!inAliasSection || equals == std::string::npos) continue;
        aliases.emplace_back(platform::upperAscii(xb::trimBlanksAndControls(trimmed.substr(0, equals))),
                             platform::upperAscii(xb::trimBlanksAndControls(trimmed.substr(equals + 1))));
    }
}

std::string RegisterDatabaseName(const std::string& name) {
    if (sameText(name, kDefaultDirectory)) return name;
    std::string value = name;
    if (!value.empty() && value.back() == '/') value.pop_back();
    value = platform::upperAscii(value);
    auto& aliases = DirectoryAliases();
    const bool known = std::any_of(aliases.begin(), aliases.end(), [&](const auto& a) { return a.first == value; });
    if (!known) aliases.emplace_back(value, value);
    return value;
}

std::string DatabaseDirectory(const std::string& databaseName) {
    if (databaseName.empty()) return std::string();
    std::string directory;
    if (sameText(databaseName, kDefaultDirectory)) {
        directory = executableDirectory();
    } else {
        directory = databaseName;
        for (const auto& [alias, path] : DirectoryAliases()) {
            if (alias == platform::upperAscii(databaseName) && !path.empty()) {
                directory = path;
                break;
            }
        }
    }
    if (!directory.empty() && directory.back() != '/') directory += '/';
    return directory;
}
