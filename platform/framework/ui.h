// Message boxes and modal dialogs. They are not drawn by this layer: each goes to the client site
// that the host gave the control (the host shows it its own way and answers), or, when no site
// was given, is written to stderr and answered OK.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace framework {

inline constexpr std::uint32_t MB_OK = 0;  // message-box style: one OK button
inline constexpr int IDOK = 1;             // answers and command identifiers
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_STATIC = -1;

// A dialog resource: positions and sizes in dialog units.
struct DialogItem {
  enum class Kind { Icon, Text, DefaultButton };
  Kind kind;
  int id;            // command of a button, resource of an icon, IDC_STATIC for text
  std::string text;  // UTF-8
  int x, y, width, height;
};

struct DialogTemplate {
  enum class Style { Modal, Child };
  int id;
  Style style;
  std::string caption;
  int width, height;
  int font_points;
  std::string font;
  std::vector<DialogItem> items;
};

// Implemented by the host; it must outlive the controls it is given to (or be taken back with
// SetClientSite(nullptr)).
class IClientSite {
 public:
  // Returns the answer: IDOK, IDCANCEL.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             std::uint32_t style) = 0;
  // Runs the dialog modally; returns the command that closed it.
  virtual int ShowDialog(const DialogTemplate& dialog) = 0;

 protected:
  ~IClientSite() = default;
};

int show_message_box(IClientSite* site, const std::string& text, const std::string& caption,
                     std::uint32_t style);
int show_dialog(IClientSite* site, const DialogTemplate& dialog);

}  // namespace framework
