// A menu caption as the menu bar draws it, for the tests that compare captions.
#pragma once

#include <QAction>
#include <QString>

namespace testsupport {

// A mnemonic's '&' is not drawn, "&&" draws one ampersand.
inline QString shownText(const QAction& action) {
    const QString text = action.text();
    QString shown;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

}  // namespace testsupport
