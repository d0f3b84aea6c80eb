// What the `corvi` host does with the control, as a page script or an application would: create
// it by its ProgID through the registry, look its methods up by name and call them through
// dispatch, read its type library, and have it draw.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "automation/dispatch.h"
#include "automation/unknown.h"
#include "framework/drawing.h"

namespace corvi_tool {

// A malformed command line: printed with the usage, exit status 2.
struct UsageError {
  std::string message;
};
// Something that did not work: printed, exit status 1.
struct Failure {
  std::string message;
};

inline constexpr const char* kProgId = "Corvi.CorviCtrl.1";

class ControlHost {
 public:
  // Creates the control; throws Failure saying why it could not be.
  ControlHost();

  const automation::TypeLibrary& type_library() const;
  // The method of that name (any case); throws UsageError when there is none.
  const automation::MethodInfo& method(std::string_view name) const;
  // Invokes the method with its arguments; throws Failure when the call fails.
  automation::Variant call(std::string_view name, std::vector<automation::Variant> args = {});
  // Draws the control into the whole surface.
  void draw(framework::Surface& surface);

 private:
  automation::ComPtr<automation::IDispatch> control_;
};

// A string argument from command-line text in the locale's charset; throws UsageError when the
// text is not valid in it.
automation::Variant text_argument(const std::string& text);
// The result as shown to the user: a string as its text, a status character as hex and
// character ("0x35 \"5\""), a number in decimal; nothing for a null string or no result.
std::optional<std::string> show_result(const automation::Variant& result);

}  // namespace corvi_tool
