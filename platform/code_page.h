// The two code pages of the program's text: tables keep character fields in the OEM code page
// (CP866) and the program works in the ANSI code page (CP1251). Conversion is in place and keeps
// the length; a character the other page lacks becomes its nearest ASCII stand-in.
#pragma once

#include <string>

namespace platform {

void oemToAnsi(std::string& text);
void ansiToOem(std::string& text);

}  // namespace platform
