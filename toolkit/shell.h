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
// Whether the desktop names an application for the local file `path`: the default application
// xdg-mime gives for the file's type. True when the desktop cannot say (no xdg-mime, no answer in
// time), so that the file is handed to ShellOpen, which reports what fails.
bool DesktopHasApplicationFor(const std::string& path);
// Tests install a stand-in for the desktop that returns whether it opened the target; an empty
// function restores the desktop's handler.
void SetShellOpenHook(std::function<bool(const std::string&)> hook);
// The same for DesktopHasApplicationFor: a stand-in that says whether the desktop has an
// application for the file.
void SetDesktopApplicationHook(std::function<bool(const std::string&)> hook);
