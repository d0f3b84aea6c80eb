// The control's property page: dialog 200 under the caption string 200. The control has no
// properties, so the page shows only its placeholder text.
#pragma once

#include "corvi_resources.h"
#include "framework/property_page.h"

namespace corvi {

class CCorviPropPage : public framework::COlePropertyPage {
 public:
  class CCorviPropPageFactory;

  CCorviPropPage() : COlePropertyPage(kPropPageDialog, kPropPageCaption) {}
};

}  // namespace corvi
