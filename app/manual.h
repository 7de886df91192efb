// The user manual: where its two forms are found and how "Как пользоваться" and the About
// window open them.
#pragma once

#include <string>

// The manual's file `name` ("manual.doc" or "manual.html"): the one beside the tables in the
// current folder, else the one the package installs (../share/doc/sharometr from the program's
// folder); empty when neither exists.
std::string FindManual(const std::string& name);

// "Как пользоваться": manual.doc when the desktop has an application for it, else manual.html
// when it has one for that; when it has none for a manual that exists, the message ShellOpen
// gives; nothing at all when there is no manual.
void OpenManual();

// The About window's link: the HTML manual, or a message when there is none.
void OpenHtmlManual();
