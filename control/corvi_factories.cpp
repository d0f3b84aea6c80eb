// The module's two class factories, constructed at load in this order (control, then property
// page), which is also the order in which they register.
#include <array>

#include "automation/category_manager.h"
#include "corvi_ctrl.h"
#include "corvi_ids.h"
#include "corvi_prop_page.h"
#include "corvi_resources.h"
#include "framework/object_factory.h"
#include "framework/registration.h"

namespace corvi {
namespace {

constexpr std::uint32_t kCategoryLocale = 0x409;

struct Category {
  automation::Guid catid;
  const char* description;  // the spaces belong to the text
};

constexpr std::array<Category, 2> kCategories{{
    {automation::make_guid("{7DD95801-9882-11CF-9FA9-00AA006C42C4}"),
     "Controls   that   are   safely   scriptable "},
    {automation::make_guid("{7DD95802-9882-11CF-9FA9-00AA006C42C4}"),
     "Controls   safely   initializable   from   persistent   data "},
}};

// Names the category and, when that worked, records the control as implementing it. The result
// is not reported: the control is registered also when this fails.
void register_category(const Category& category) {
  automation::ICatRegister& manager = automation::category_manager();
  const automation::CategoryInfo info{category.catid, kCategoryLocale, category.description};
  if (automation::failed(manager.RegisterCategories({&info, 1}))) return;
  manager.RegisterClassImplCategories(kControlClsid, {&category.catid, 1});
}

}  // namespace

class CCorviCtrl::CCorviCtrlFactory : public framework::COleObjectFactory {
 public:
  CCorviCtrlFactory() : COleObjectFactory(kControlClsid, &framework::create_object<CCorviCtrl>) {}

  bool UpdateRegistry(bool register_class) override {
    if (!register_class) return framework::unregister_class(kControlClsid, kControlProgId).ok();
    const bool registered =
        framework::register_control_class({{kControlClsid, kControlProgId, kControlTypeName},
                                           kToolboxBitmap,
                                           kMiscStatus,
                                           kTypeLibId,
                                           kTypeLibMajor,
                                           kTypeLibMinor})
            .ok();
    for (const Category& category : kCategories) register_category(category);
    return registered;
  }
};

class CCorviPropPage::CCorviPropPageFactory : public framework::COleObjectFactory {
 public:
  CCorviPropPageFactory()
      : COleObjectFactory(kPropPageClsid, &framework::create_object<CCorviPropPage>) {}

  bool UpdateRegistry(bool register_class) override {
    if (!register_class) return framework::unregister_class(kPropPageClsid, kPropPageProgId).ok();
    return framework::register_server_class({kPropPageClsid, kPropPageProgId, kPropPageTypeName})
        .ok();
  }
};

namespace {
CCorviCtrl::CCorviCtrlFactory g_control_factory;
CCorviPropPage::CCorviPropPageFactory g_prop_page_factory;
}  // namespace

}  // namespace corvi
