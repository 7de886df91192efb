// Hands a document or a link to the desktop's handler, behind a hook that tests replace.
#pragma once

#include <functional>
#include <string>

// Opens a local file (an absolute path) or a URL ("https:...", "mailto:...") with the desktop's
// handler. When the desktop cannot (no handler, no xdg-open), a message box says so and names
// the file or address; returns whether the desktop took it.
bool ShellOpen(const std::string& target);
// The message shown when `target` could not be opened.
std::string ShellOpenFailedText(const std::string& target);
// Tests install a stand-in for the desktop that returns whether it opened the target; an empty
// function restores the desktop's handler.
void SetShellOpenHook(std::function<bool(const std::string&)> hook);
