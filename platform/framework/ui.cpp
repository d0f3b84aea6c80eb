#include "framework/ui.h"

#include <cstdio>

namespace framework {

int show_message_box(IClientSite* site, const std::string& text, const std::string& caption,
                     std::uint32_t style) {
  if (site != nullptr) return site->ShowMessageBox(text, caption, style);
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  return IDOK;
}

int show_dialog(IClientSite* site, const DialogTemplate& dialog) {
  if (site != nullptr) return site->ShowDialog(dialog);
  std::fprintf(stderr, "[%s]\n", dialog.caption.c_str());
  for (const auto& item : dialog.items) {
    if (item.kind != DialogItem::Kind::Icon) std::fprintf(stderr, "  %s\n", item.text.c_str());
  }
  return IDOK;
}

}  // namespace framework
