// The control's identity: its classes, ProgIDs, type library and interfaces.
#pragma once

#include "automation/guid.h"

namespace corvi {

inline constexpr automation::Guid kControlClsid =
    automation::make_guid("{3A7C1E52-6B90-4F1D-A2C4-7E0D95B3F618}");
inline constexpr const char* kControlProgId = "Corvi.CorviCtrl.1";
inline constexpr automation::Guid kPropPageClsid =
    automation::make_guid("{C84A2F13-7E59-4D06-B1A8-5F3E9C0D2B67}");
inline constexpr const char* kPropPageProgId = "Corvi.CorviPropPage.1";

inline constexpr automation::Guid kTypeLibId =
    automation::make_guid("{9E41D0A7-3F25-4B8C-8D17-C6A2E05F4B93}");
inline constexpr std::uint16_t kTypeLibMajor = 1;
inline constexpr std::uint16_t kTypeLibMinor = 0;
inline constexpr std::uint32_t kTypeLibLocale = 1033;

inline constexpr automation::Guid kDispatchIid =
    automation::make_guid("{D2B8470E-91C3-4E6A-B05F-18A9C7E3D245}");
inline constexpr automation::Guid kEventsIid =
    automation::make_guid("{71E05C9A-4D28-4B31-9F6E-A3C8B2D1E074}");

// Activate when visible, set client site first, inside-out, cannot link inside, recompose on
// resize.
inline constexpr std::uint32_t kMiscStatus = 131473;
inline constexpr int kToolboxBitmap = 1;

}  // namespace corvi
