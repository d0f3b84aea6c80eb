// The card-file objects of memory cards, Mifare cards and ISO 15693 tags: "memory", "mifare"
// and "iso15693".
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

#include "readersim/card.h"

namespace readersim {

inline constexpr std::string_view kMemoryKey = "memory";
inline constexpr std::string_view kMifareKey = "mifare";
inline constexpr std::string_view kIso15693Key = "iso15693";

// Reads those objects of the card object into `card`. Throws CardError naming `origin`.
void read_memory_cards(const nlohmann::json& doc, Card& card, std::string_view origin);

}  // namespace readersim
