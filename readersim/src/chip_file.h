// The chip objects of a card file: "contact", "contactless" and "sam".
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

#include "readersim/card.h"

namespace readersim {

// The card-file keys this reads.
inline constexpr std::string_view kContactKey = "contact";
inline constexpr std::string_view kContactlessKey = "contactless";
inline constexpr std::string_view kSamKey = "sam";

// Reads the chips that the card object holds into `card`. Throws CardError naming `origin`.
void read_chips(const nlohmann::json& doc, Card& card, std::string_view origin);

}  // namespace readersim
