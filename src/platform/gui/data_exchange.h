#pragma once
// Dialog data exchange: one table of steps binds members to controls and runs either way.
//
// Towards the controls every step runs. From the controls a validation step that fails shows its
// message, puts the focus on its box and stops the exchange: the later steps are skipped, so
// their members keep their previous values, and UpdateData reports false.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/gui/controls.h"

namespace platform {

class Dialog;

class DataExchange {
  public:
    DataExchange(Dialog& dialog, bool saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_dialog(dialog) {}

    const bool m_bSaveAndValidate;

    Dialog& TheDialog() const { return m_dialog; }
    // The control of the next step; validation steps act on the last one prepared.
    int PrepareCtrl(int id) {
        m_lastId = id;
        return id;
    }
    std::optional<int> LastControl() const { return m_lastId; }
    void Fail() { m_failed = true; }
    bool Failed() const { return m_failed; }

  private:
    Dialog& m_dialog;
    std::optional<int> m_lastId;
    bool m_failed = false;
};

void DDX_Control(DataExchange& dx, int id, Control& control);
void DDX_CBIndex(DataExchange& dx, int id, std::int32_t& index);
void DDX_Text(DataExchange& dx, int id, std::string& value);
void DDV_MaxChars(DataExchange& dx, const std::string& value, int count);
void DDX_Check(DataExchange& dx, int id, std::int32_t& value);

}  // namespace platform
