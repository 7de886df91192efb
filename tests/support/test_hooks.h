// One scope that puts every test hook back when it goes: armed faults and their counts, the local
// clock and the short date format overrides, and, in the programs that link their layers, the
// engine's append patience and date style and the message service, shell-open and beep hooks.
// The layers' support libraries say which they bring (SHAROMETR_TEST_HOOKS_ENGINE,
// SHAROMETR_TEST_HOOKS_GUI), so that the platform's tests need nothing above the platform.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/fault_injection.h"
#include "platform/local_time.h"
#include "platform/locale_info.h"

#if defined(SHAROMETR_TEST_HOOKS_ENGINE)
#include "dbf/dbf_date.h"
#include "dbf/dbf_table.h"
#endif
#if defined(SHAROMETR_TEST_HOOKS_GUI)
#include "toolkit/dialogs.h"
#include "toolkit/shell.h"
#endif

namespace testsupport {

class TestHooksReset {
public:
    TestHooksReset()
#if defined(SHAROMETR_TEST_HOOKS_ENGINE)
        : m_appendPatience(XBO_dBaseDBF::appendPatience())
#endif
    {
    }
    TestHooksReset(const TestHooksReset&) = delete;
    TestHooksReset& operator=(const TestHooksReset&) = delete;
    ~TestHooksReset() {
        platform::clearFaults();
        platform::overrideLocalTime({});
        platform::overrideShortDateFormat(std::nullopt);
#if defined(SHAROMETR_TEST_HOOKS_ENGINE)
        XBO_dBaseDBF::setAppendPatience(m_appendPatience);
        TxbDBFDate::instance().setFourDigitYear(true);
#endif
#if defined(SHAROMETR_TEST_HOOKS_GUI)
        MessageService::Install(nullptr);
        SetShellOpenHook({});
        SetBeepHook({});
#endif
    }

private:
#if defined(SHAROMETR_TEST_HOOKS_ENGINE)
    std::chrono::milliseconds m_appendPatience;
#endif
};

}  // namespace testsupport
