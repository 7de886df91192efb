// The rules of Russian typography that a machine can check in a text of ours: a count followed by
// a noun in a form that cannot agree with it, a decimal point, "..." for an ellipsis, a hyphen
// between the numbers of a range. The tests walk the program's texts and the manual with them.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace textrules {

// Whether the text holds a Cyrillic letter, i.e. is Russian text rather than an English message.
bool isRussian(const std::string& text);

// What is wrong with `text` (UTF-8), one line a fault; empty when it keeps the rules. A number
// written with a point is allowed only when it is one of `sectionNumbers` ("5.7"): the manual's
// references to its own sections.
std::vector<std::string> faults(const std::string& text, const std::set<std::string>& sectionNumbers = {});

// A text of the manual's HTML page with its entities (&quot; &#x27; &lt; &gt; &amp;) turned back
// into letters.
std::string unescaped(std::string html);

// The text with every occurrence of `part` taken out.
std::string without(std::string text, const std::string& part);

}  // namespace textrules
