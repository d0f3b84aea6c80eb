// CPU-card transport inside the library: the variants the PBOC bridge binds to the kernel's
// callbacks, and one APDU exchange for the card-application commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "exchange.h"

namespace tarn {

// Contact cold reset ("9" "0"): the whole reply data (count, protocol character, ATR) and its
// length as a byte (at most 92); waits 50 ms after success.
int CpuCardColdResetData(void* port, unsigned char* data, unsigned char* length);

// T=0 exchange ("9" "3") shaped like the kernel's APDU callback: `reserved` and `aux` are not
// used and `aux` is not written. As Tarn_CPUT0APDU.
int CPUT0APDUEx(void* port, int reserved, int length, const unsigned char* apdu, unsigned char* aux,
                unsigned char* response, int* response_length);

// Type A power on ("G" "0"): the whole reply data (at most 492 bytes) and its length.
int CPUTypeACardPowerOnEx(void* port, unsigned char* data, int* length);

enum class CardChannel { ContactT0, ContactT1, Contactless };

// Sends one APDU on a channel (contactless: option byte 0, the leading byte dropped). The card's
// response, status word included, goes to `response`; `length` gets its size. A response longer
// than `response` is refused with -1 and nothing is written.
int exchange_apdu(void* port, CardChannel channel, std::span<const std::uint8_t> apdu,
                  std::span<std::uint8_t> response, std::size_t& length);

}  // namespace tarn
