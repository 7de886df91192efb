// Message boxes through one replaceable service, the application title, the error box and the
// guard that keeps failures out of the event loop.
#include "toolkit/dialogs.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

#include "platform/exception.h"
#include "toolkit/database_error.h"

namespace {

QMessageBox::Icon IconOf(TMsgDlgType type) {
    using enum TMsgDlgType;
    constexpr std::pair<TMsgDlgType, QMessageBox::Icon> kIcons[] = {
        {mtWarning, QMessageBox::Warning},
        {mtError, QMessageBox::Critical},
        {mtInformation, QMessageBox::Information},
        {mtConfirmation, QMessageBox::Question},
    };
    for (const auto& [each, icon] : kIcons)
        if (each == type) return icon;
    return QMessageBox::NoIcon;
}

// The boxes on screen.
class QtMessageService : public MessageService {
public:
    TModalResult Show(const ShownMessage& message) override {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QString::fromStdString(message.caption));
        box.setText(QString::fromStdString(message.text));
        box.setIcon(IconOf(message.icon));
        if (message.withCancel) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        return box.exec() == QMessageBox::Ok ? TModalResult::mrOk : TModalResult::mrCancel;
    }
};

MessageService* g_installed = nullptr;

std::function<void()>& beepHook() {
    static std::function<void()> hook;
    return hook;
}

std::string& title() {
    static std::string text = "sharometr";
    return text;
}

}  // namespace

MessageService& MessageService::Current() {
    static QtMessageService real;
    return g_installed ? *g_installed : real;
}

void MessageService::Install(MessageService* service) { g_installed = service; }

const std::string& ApplicationTitle() { return title(); }

void SetApplicationTitleFromPath(const std::string& programPath) {
    std::string name = programPath;
    const std::size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    // Every letter after the first in lower case; the first stays as it is.
    QString text = QString::fromStdString(name);
    if (text.size() > 1) text = text.left(1) + text.mid(1).toLower();
    title() = text.toStdString();
}

void ShowMessage(const std::string& text) {
    MessageService::Current().Show({ApplicationTitle(), text, TMsgDlgType::mtNone, false});
}

bool ConfirmMessage(const std::string& text) {
    return MessageService::Current().Show({ApplicationTitle(), text, TMsgDlgType::mtConfirmation, true}) ==
           TModalResult::mrOk;
}

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) {
        return message + ".";
    }
    return message;
}

void ShowErrorBox(const std::string& message) {
    MessageService::Current().Show({ApplicationTitle(), ErrorBoxText(message), TMsgDlgType::mtError, false});
}

void RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const EAbort&) {
        // An abort ends the operation without a word.
    } catch (const Exception& error) {
        ShowErrorBox(error.Message());
    } catch (const std::exception& error) {
        ShowErrorBox(error.what());
    }
}

void Beep() {
    if (beepHook()) {
        beepHook()();
    } else {
        QApplication::beep();
    }
}

void SetBeepHook(std::function<void()> hook) { beepHook() = std::move(hook); }
