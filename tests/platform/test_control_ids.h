// Identity of the test control module, shared by the module and the tests that load it.
#pragma once

#include "automation/guid.h"

namespace test_ids {

inline constexpr automation::Guid kClsid =
    automation::make_guid("{5C0F3E8A-2B71-4D69-9E04-A17B6C3D28F1}");
inline constexpr automation::Guid kPageClsid =
    automation::make_guid("{E1D2C3B4-A596-4788-99AA-BBCCDDEEFF01}");
inline constexpr automation::Guid kLibid =
    automation::make_guid("{0F1E2D3C-4B5A-4968-8776-655443322110}");
inline constexpr automation::Guid kDispatchIid =
    automation::make_guid("{A0B1C2D3-E4F5-4607-8819-2A3B4C5D6E7F}");
inline constexpr automation::Guid kEventsIid =
    automation::make_guid("{B1C2D3E4-F5A6-4718-9920-3B4C5D6E7F80}");
inline constexpr const char* kProgId = "PlatformTest.TestCtrl.1";
inline constexpr const char* kPageProgId = "PlatformTest.TestPage.1";

}  // namespace test_ids
