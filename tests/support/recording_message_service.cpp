#include "tests/support/recording_message_service.h"

TModalResult RecordingMessageService::Show(const ShownMessage& message) {
    shown.push_back(message);
    if (replies.empty()) return TModalResult::mrOk;
    const TModalResult reply = replies.front();
    replies.erase(replies.begin());
    return reply;
}
