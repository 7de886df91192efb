// A message service for tests: installed while it lives, it records every box and answers with
// the queued replies (OK when none is queued).
#pragma once

#include <vector>

#include "toolkit/dialogs.h"

class RecordingMessageService : public MessageService {
public:
    RecordingMessageService() { MessageService::Install(this); }
    ~RecordingMessageService() override { MessageService::Install(nullptr); }
    RecordingMessageService(const RecordingMessageService&) = delete;
    RecordingMessageService& operator=(const RecordingMessageService&) = delete;

    TModalResult Show(const ShownMessage& message) override;

    std::vector<ShownMessage> shown;
    std::vector<TModalResult> replies;
};
