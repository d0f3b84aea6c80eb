// Reading the card without a transaction: its transaction log as text entries, its electronic
// cash balance, and its IC information (records 2 and 1 of SFI 1).
#pragma once

#include <cstdint>

namespace ferro {

inline constexpr int kLogRecordSize = 45;
inline constexpr int kLogEntrySize = 107;
inline constexpr int kLogHeaderSize = 5;
inline constexpr int kMaxLogEntries = 99;  // the most the two-digit header can count

// Writes "NN107" and NN entries, no terminating zero; nothing when the log has no record.
int read_transaction_log(char* records);

// Writes the 6-byte balance (tag 9F79).
int read_balance(std::uint8_t* balance);

// Writes the contents of records 2 and 1 of SFI 1 and their total length.
int read_ic_information(std::uint8_t* data, int& data_len);

}  // namespace ferro
