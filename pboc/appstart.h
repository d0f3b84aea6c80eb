// Application start: power the card, find the application through the payment system directory,
// select it, get the processing options and read the application's records into the context.
#pragma once

#include <cstdint>
#include <span>

#include "apdu.h"

namespace ferro {

inline constexpr int kAidCapacity = 100;
inline constexpr int kAflCapacity = 1024;
inline constexpr std::uint8_t kPaymentSystemName[] = {'1', 'P', 'A', 'Y', '.', 'S', 'Y',
                                                      'S', '.', 'D', 'D', 'F', '0', '1'};

// SELECT by DF name: 00 A4 04 00, the name's length and the name.
Command select_command(std::span<const std::uint8_t> name);

// SELECT by DF name (at most 123 bytes) with GET RESPONSE after 61 xx; 2 unless it ends 90 00.
int select_by_name(std::span<const std::uint8_t> name, Reply& reply);

// Selects "1PAY.SYS.DDF01", reads record 1 of its directory and yields the AID (tag 4F).
int select_payment_system(std::span<std::uint8_t> aid, int& aid_len);

// Selects the application, up to four attempts whose eighth AID byte grows by 1, 2, 3; yields
// the PDOL (tag 9F38).
int select_application(std::span<std::uint8_t> aid, std::span<std::uint8_t> pdol, int& pdol_len);

// GET PROCESSING OPTIONS with the PDOL data; yields the AFL and stores the AIP.
int get_processing_options(std::span<const std::uint8_t> pdol, std::span<std::uint8_t> afl,
                           int& afl_len);

// Reads the records of every whole 4-byte AFL entry; afterwards draws the unpredictable number
// and asks GET DATA for the transaction counter, unless the reading stopped at track 2 data.
int read_application_data(std::span<const std::uint8_t> afl);

enum class EntryOutcome { kRead, kStoppedAtTrack2 };

// Reads the records of one AFL entry: CDOL1/CDOL2, track 2 data and PAN sequence number.
EntryOutcome read_afl_entry(std::span<const std::uint8_t, 4> entry);

// Picks CDOL1 (tag 8C, 27 to 31 bytes) and a CDOL2 (8D) right behind a 27-byte CDOL1 out of a
// record; true when a CDOL1 was found.
bool find_cdol(const Reply& reply);

// GET DATA for a two-byte tag: copies the reply without tag, length and status bytes to out (as
// much as out holds), whatever the status; the transport result.
int get_data(unsigned tag, std::span<std::uint8_t> out);

enum class StartDepth { kWithoutRecords, kWithRecords };

// The whole start, steps stopped at the first nonzero result. The card stays powered.
int application_start(StartDepth depth);

}  // namespace ferro

namespace ferro {

// Copies the track 2 equivalent data of the context out (at most 36 bytes).
void hand_out_track2(std::uint8_t* track2, int& track2_len);

// The card number operation: application start stopping at the first track 2 data.
int read_card_number(int& track2_len, std::uint8_t* track2);

}  // namespace ferro
