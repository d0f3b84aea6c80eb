// The PBOC bridge: points the kernel's callbacks at one port and one card channel, then runs one
// kernel operation with the caller's buffers.
#include <atomic>

#include "Ferro.h"
#include "Tarn_DLL.h"
#include "cpu_card.h"
#include "log_file.h"

namespace tarn {
namespace {

// The port every callback talks to; each bridge export sets it.
std::atomic<void*> bridge_port{nullptr};

int write_log(const char* name, int level, const char* text) {
  write_log_line(name, level, text);
  return 0;
}

int contact_power_on(unsigned char* atr, int* atr_length) {
  unsigned char length = 0;
  const int result = CpuCardColdResetData(bridge_port, atr, &length);
  if (result == TARN_OK) *atr_length = (*atr_length & ~0xFF) | length;
  return result;
}

int contact_power_off() {
  return Tarn_CpuCardPowerOff(bridge_port);
}

int contact_apdu(int reserved, int length, const unsigned char* apdu, unsigned char* aux,
                 unsigned char* response, int* response_length) {
  return CPUT0APDUEx(bridge_port, reserved, length, apdu, aux, response, response_length);
}

int contactless_power_on(unsigned char* atr, int* atr_length) {
  return CPUTypeACardPowerOnEx(bridge_port, atr, atr_length);
}

int contactless_power_off() {
  return TARN_OK;
}

int contactless_apdu(int option, int length, const unsigned char* apdu, unsigned char* leading,
                     unsigned char* response, int* response_length) {
  return Tarn_CPUTypeBAPDU(bridge_port, option, length, apdu, leading, response, response_length);
}

struct CallbackSet {
  pboc_poweron_callback power_on;
  pboc_poweroff_callback power_off;
  pboc_apdu_callback apdu;
};

constexpr CallbackSet kContact{contact_power_on, contact_power_off, contact_apdu};
constexpr CallbackSet kContactless{contactless_power_on, contactless_power_off, contactless_apdu};

// Stores the port and registers the log writer, then the card set (each registration after the
// log writer's is traced through it).
void point_kernel_at(void* port, const CallbackSet& set) {
  bridge_port = port;
  pboc_setcallback("pboc_writelog", reinterpret_cast<void*>(write_log));
  pboc_setcallback("pboc_poweron", reinterpret_cast<void*>(set.power_on));
  pboc_setcallback("pboc_poweroff", reinterpret_cast<void*>(set.power_off));
  pboc_setcallback("pboc_apdu", reinterpret_cast<void*>(set.apdu));
}

}  // namespace
}  // namespace tarn

using namespace tarn;

extern "C" TARN_API int Tarn_PBOCGet55FieldData(TARN_HANDLE port, int type,
                                                const unsigned char* amount,
                                                unsigned char* pan_sequence, unsigned char* track2,
                                                int* track2_length, unsigned char* field55,
                                                int* field55_length) {
  point_kernel_at(port, kContact);
  return pboc_get55data(type, amount, pan_sequence, track2, track2_length, field55, field55_length);
}

extern "C" TARN_API int Tarn_CPUTypeAPBOCGet55FieldData(
    TARN_HANDLE port, int type, const unsigned char* amount, unsigned char* pan_sequence,
    unsigned char* track2, int* track2_length, unsigned char* field55, int* field55_length) {
  point_kernel_at(port, kContactless);
  return pboc_get55data(type, amount, pan_sequence, track2, track2_length, field55, field55_length);
}

extern "C" TARN_API int Tarn_ReadICCardNum(TARN_HANDLE port, int* track2_length,
                                           unsigned char* track2) {
  point_kernel_at(port, kContact);
  return pboc_readiccardNum(track2_length, track2);
}

extern "C" TARN_API int Tarn_CPUTypeAReadICCardNum(TARN_HANDLE port, int* track2_length,
                                                   unsigned char* track2) {
  point_kernel_at(port, kContactless);
  return pboc_readiccardNum(track2_length, track2);
}

extern "C" TARN_API int Tarn_GetTradeRecord(TARN_HANDLE port, char* records) {
  point_kernel_at(port, kContact);
  return pboc_gettraderecord(records);
}

extern "C" TARN_API int Tarn_ElectronicBalance(TARN_HANDLE port, unsigned char* balance) {
  point_kernel_at(port, kContact);
  return pboc_electronicbalance(balance);
}
