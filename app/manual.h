// The user manual: where its two forms are found and how "Как пользоваться" and the About
// window open them.
#pragma once

#include <string>

// The manual's file `name` ("manual.doc" or "manual.html"): the one beside the tables in the
// current folder, else the one the package installs (../share/doc/sharometr from the program's
// folder); empty when neither exists.
std::string FindManual(const std::string& name);

// "Как пользоваться": manual.doc when the desktop has an application for it, else manual.html
// when it has one for that, else manual.html in the program's own help window; when there is
// only a manual.doc the desktop cannot open, the message ShellOpen gives; nothing at all when
// there is no manual.
void OpenManual();

// The HTML manual in the program's own help window, at the first heading that begins with
// `heading`; a message when there is no HTML manual.
void OpenManualAt(const std::string& heading);

// The About window's link: the HTML manual, or a message when there is none.
void OpenHtmlManual();
