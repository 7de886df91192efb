// The directory aliases a dataset's database name may stand for: "Default Directory" (the
// program's own directory) and the [Alias] section of xbase.cfg in the user's configuration
// directory.
#pragma once

#include <string>
#include <utility>
#include <vector>

using TAliasList = std::vector<std::pair<std::string, std::string>>;

// The process-wide aliases: "Default Directory" first, then those of the alias file, names and
// paths upper-cased. The file is read on first use.
TAliasList& DirectoryAliases();
// Reads the alias file again. A missing file, or one that is not a regular file (a FIFO would
// block the program's start), leaves "Default Directory" alone.
void LoadDirectoryAliases();
// A database name as a dataset keeps it: "Default Directory" as given; any other upper-cased,
// without a trailing slash, and made an alias of itself when it is not one yet.
std::string RegisterDatabaseName(const std::string& name);
// The directory a database name stands for, ending in '/': the program's own directory, the
// alias's path, or the name itself; empty for an empty name.
std::string DatabaseDirectory(const std::string& databaseName);
