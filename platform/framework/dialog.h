// A modal dialog owned by a control; it is shown through the control's client site.
#pragma once

#include "framework/ui.h"

namespace framework {

class COleControl;

class CDialog {
 public:
  explicit CDialog(const DialogTemplate& dialog, COleControl* owner = nullptr)
      : dialog_(dialog), owner_(owner) {}
  virtual ~CDialog() = default;

  // Blocks until the dialog is closed; returns the command that closed it (IDOK, IDCANCEL).
  virtual int DoModal();
  const DialogTemplate& dialog() const { return dialog_; }

 private:
  const DialogTemplate& dialog_;
  COleControl* owner_;
};

}  // namespace framework
