// The control module's resources: its strings, the about box and property page dialogs, and the
// version resource.
#pragma once

#include <cstdint>
#include <string>

#include "framework/ui.h"

namespace corvi {

inline constexpr const char* kControlTypeName = "Corvi Control";         // string 1
inline constexpr const char* kPropPageTypeName = "Corvi Property Page";  // string 2
inline constexpr const char* kPropPageCaption = "常规";                  // string 200

extern const framework::DialogTemplate kAboutBoxDialog;  // dialog 1
extern const framework::DialogTemplate kPropPageDialog;  // dialog 200

struct VersionResource {
  int file_version[4];
  int product_version[4];
  std::uint16_t language;   // Chinese (Simplified)
  std::uint16_t code_page;  // 936
  const char* company_name;
  const char* file_description;
  const char* internal_name;
  const char* original_file_name;
  const char* product_name;
  const char* legal_copyright;
  const char* special_build;
};

extern const VersionResource kVersion;

// The file version as "1.0.0.4".
std::string file_version_text();

}  // namespace corvi
