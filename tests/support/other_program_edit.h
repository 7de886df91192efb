// Another program that changes one field of one record of a table through the engine, under the
// record's lock, when the test says so: at once, or just before this process next asks for a
// byte-range lock, which makes the window between a read and a lock certain without a sleep.
#pragma once

#include <string>

#include "dbf/table_handler.h"
#include "platform/fault_injection.h"
#include "tests/support/child_process.h"

namespace testsupport {

class OtherProgramEdit {
public:
    // Forked at once, before the test opens the table (see Child).
    OtherProgramEdit(const std::string& path, std::uint32_t record, const std::string& field, const std::string& value)
        : m_child([path, record, field, value](Child& self) {
              if (self.hear() != 'G') return 1;
              {
                  DBFObject table(path, "", true, true);
                  if (!table.lockAndReadRecord(record)) return 2;
                  table.putValueText(field, value);
                  table.replaceRecord(record);
                  table.unlock();
              }
              self.tell('D');
              return 0;
          }) {}

    // Makes the change now; true once it is in the file.
    bool changeNow() {
        m_child.send('G');
        m_changed = m_child.receive() == 'D';
        return m_changed;
    }

    // The change will be made just before this process's next lock request.
    void changeBeforeNextLock() {
        platform::beforeNextCall(platform::Call::Lock, [this] { changeNow(); });
    }

    bool changed() const { return m_changed; }

private:
    Child m_child;
    bool m_changed = false;
};

}  // namespace testsupport
