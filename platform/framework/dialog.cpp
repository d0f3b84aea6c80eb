#include "framework/dialog.h"

#include "framework/ole_control.h"

namespace framework {

int CDialog::DoModal() {
  return show_dialog(owner_ != nullptr ? owner_->client_site() : nullptr, dialog_);
}

}  // namespace framework
