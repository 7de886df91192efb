// The program's start without a window system (a terminal over ssh, a session whose display is
// gone): Qt would end it with an abort and its own English words. While the application object
// connects to the display, this says in Russian what is wrong and what to do, and ends the
// program with kNoDisplayStatus instead.
#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

inline constexpr int kNoDisplayStatus = 1;

// The text said when no window can be opened, naming the display variables as they are set.
QString NoDisplayText(const QString& qtReason);

// Held for the making of the application object only; Qt's other messages of that time are
// passed on when it ends, in their order.
class DisplayFailureReport {
public:
    DisplayFailureReport();
    ~DisplayFailureReport();
    DisplayFailureReport(const DisplayFailureReport&) = delete;
    DisplayFailureReport& operator=(const DisplayFailureReport&) = delete;

private:
    QtMessageHandler m_previous;
};
