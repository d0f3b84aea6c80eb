// The nine exported entry points: argument checks, then the kernel operation.
#include "Ferro.h"
#include "appstart.h"
#include "callbacks.h"
#include "card_records.h"
#include "first_gen_ac.h"
#include "script.h"

namespace {

template <typename... Pointers>
bool any_null(Pointers... pointers) {
  return ((pointers == nullptr) || ...);
}

}  // namespace

extern "C" {

FERRO_API int pboc_setcallback(const char* name, void* fn) {
  return ferro::set_callback(name, fn);
}

FERRO_API int pboc_gettagvalue(int, int, int) {
  return FERRO_OK;
}

FERRO_API int pboc_readiccardNum(int* track2_len, unsigned char* track2) {
  if (any_null(track2_len, track2)) return FERRO_BAD_ARGUMENT;
  return ferro::read_card_number(*track2_len, track2);
}

FERRO_API int pboc_get55data(int trans_type, const unsigned char* amount, unsigned char* pan_seq,
                             unsigned char* track2, int* track2_len, unsigned char* icc_data,
                             int* icc_data_len) {
  if (any_null(amount, pan_seq, track2, track2_len, icc_data, icc_data_len)) {
    return FERRO_BAD_ARGUMENT;
  }
  const ferro::CardNumberOut card_number{pan_seq, track2, track2_len};
  return ferro::run_field55(amount, trans_type, &card_number, icc_data, *icc_data_len);
}

FERRO_API int pboc_genarqc(const unsigned char* amount, int trans_type, unsigned char* icc_data,
                           int* icc_data_len) {
  if (any_null(amount, icc_data, icc_data_len)) return FERRO_BAD_ARGUMENT;
  return ferro::run_field55(amount, trans_type, nullptr, icc_data, *icc_data_len);
}

FERRO_API int pboc_gettraderecord(char* records) {
  if (any_null(records)) return FERRO_BAD_ARGUMENT;
  return ferro::read_transaction_log(records);
}

FERRO_API int pboc_electronicbalance(unsigned char* balance) {
  if (any_null(balance)) return FERRO_BAD_ARGUMENT;
  return ferro::read_balance(balance);
}

FERRO_API int pboc_geticinformation(unsigned char* data, int* data_len) {
  if (any_null(data, data_len)) return FERRO_BAD_ARGUMENT;
  return ferro::read_ic_information(data, *data_len);
}

FERRO_API int pboc_arqcexeicscript(const char* issuer_data_hex, unsigned char* result) {
  if (any_null(issuer_data_hex, result)) return FERRO_BAD_ARGUMENT;
  return ferro::complete_online_transaction(issuer_data_hex, result);
}

}  // extern "C"
