// Base of a property page: a child dialog with a caption, creatable through its own factory.
#pragma once

#include <string>

#include "automation/unknown.h"
#include "framework/module.h"
#include "framework/ui.h"

namespace framework {

class COlePropertyPage : public automation::ComObject<automation::IUnknown> {
 public:
  const DialogTemplate& dialog() const { return dialog_; }
  const std::string& caption() const { return caption_; }

 protected:
  COlePropertyPage(const DialogTemplate& dialog, std::string caption)
      : dialog_(dialog), caption_(std::move(caption)) {}

 private:
  ModuleLock lock_;
  const DialogTemplate& dialog_;
  std::string caption_;
};

}  // namespace framework
