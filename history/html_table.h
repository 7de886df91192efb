// Tables of web pages as text lines: the table of a page that holds the most rows with numbers in
// them, each row a line of its cells' text parted by tabs, as a browser copies a table. Read with
// gumbo, an HTML parser made for pages as they really are.
#pragma once

#include <string>
#include <string_view>

namespace history {

// The rows of the page's table of draws, each ending in '\n'; "" when the page has no table.
std::string htmlTableText(std::string_view html);

// Whether text looks like a page (or a part of one) rather than lines of draws.
bool looksLikeHtml(std::string_view text);

}  // namespace history
