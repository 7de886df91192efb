// Every message box of the program goes through this service, so that tests can read what was
// shown and answer it: plain messages, confirmations, and the application's error box.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

enum class TMsgDlgType { mtNone, mtWarning, mtError, mtInformation, mtConfirmation };
enum class TModalResult { mrNone, mrOk, mrCancel, mrYes, mrNo };

struct ShownMessage {
    std::string caption;
    std::string text;
    TMsgDlgType icon = TMsgDlgType::mtNone;
    bool withCancel = false;  // OK and Cancel rather than OK alone
};

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows a modal box and returns the button chosen.
    virtual TModalResult Show(const ShownMessage& message) = 0;

    // The service in use: the real boxes unless a test installed its own.
    static MessageService& Current();
    // Installs a service (nullptr restores the real one). The caller keeps ownership.
    static void Install(MessageService* service);
};

// The application's title: the program file's name without directory and extension, every
// letter after the first in lower case.
const std::string& ApplicationTitle();
void SetApplicationTitleFromPath(const std::string& programPath);

// A plain message box: OK only, no icon, captioned with the application's title.
void ShowMessage(const std::string& text);
// A question with OK and Cancel; true for OK.
bool ConfirmMessage(const std::string& text);
// The application's error box: error icon, OK, the application's title, and the message with a
// full stop added when it does not end in one (or in a character that sorts below it).
void ShowErrorBox(const std::string& message);
std::string ErrorBoxText(const std::string& message);

// Runs one handler of the program: a failure it raises is shown in the error box (a silent
// abort shows nothing) and goes no further, so that no exception reaches the event loop.
void RunGuarded(const std::function<void()>& handler);

// The short warning sound of a refused key or character. Tests install a hook to count them (an
// empty function restores the real sound).
void Beep();
void SetBeepHook(std::function<void()> hook);
