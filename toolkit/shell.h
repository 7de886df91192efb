// Hands a document or a link to the desktop's handler, behind a hook that tests replace.
#pragma once

#include <functional>
#include <string>

// Opens a local file (an absolute path) or a URL ("https:...", "mailto:...") with the desktop's
// handler. The result is not examined.
void ShellOpen(const std::string& target);
// Tests install a recorder; an empty function restores the desktop's handler.
void SetShellOpenHook(std::function<void(const std::string&)> hook);
