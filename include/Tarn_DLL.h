/* Card-reader library: one function per command of the motorised card reader on a serial line.
 *
 * Every function takes the port handle first (null: -101, nothing sent) and returns a result
 * code. Callers own every buffer; outputs are written only on success unless noted. */
#ifndef TARN_DLL_H
#define TARN_DLL_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(TARN_DLL_BUILD)
#define TARN_API __attribute__((visibility("default")))
#else
#define TARN_API
#endif

typedef void* TARN_HANDLE;

/* Result codes shared by every function returning int.
 * 1..255: the reader's error byte from a negative reply (8 also: decoded stripe read without ETX).
 * 256 + byte: defined by the ISO 15693 family. */
#define TARN_OK 0
/* No reply in 7000 ms, bad BCC, wrong CM echo, bad rate, reply too long for the command's reply
 * buffer or too short to hold status and echoes (the rest of it is drained). */
#define TARN_E_REPLY (-1)
/* Card entry not completed (cancelled after the wait, or failed). */
#define TARN_E_ENTRY (-3)
/* The 3-byte reply header could not be read. */
#define TARN_E_HEADER (-4)
/* The reader answered NAK. */
#define TARN_E_NAK (-11)
/* Null port handle. */
#define TARN_E_NOPORT (-101)
/* Tarn_Eot: reading the answer failed. */
#define TARN_E_READ (-103)
/* Tarn_CommClose: the handle is not open or could not be closed. */
#define TARN_E_CLOSE (-105)
/* Tarn_Eot: writing EOT failed. */
#define TARN_E_WRITE (-106)
/* No ACK within 800 ms, another byte, or a header without STX (a late reply to an earlier
 * command before the ACK is skipped); also any command on a handle that is closed or was never
 * open. */
#define TARN_E_NOACK (-110)
/* Decoded stripe read: no reply header within 1500 ms. */
#define TARN_E_SHORTWAIT (-111)
/* An argument does not fit the request; nothing was sent. */
#define TARN_E_ARGUMENT (-112)
/* Defined by the card families that use it; also any refusal ("N" or another status) whose
 * error byte is 0. */
#define TARN_E_FAMILY (-200)
/* ISO 15693: 256 + the tag's error code (256..511). */
#define TARN_E_TAG_BASE 256

/* ---- Port and baud rate ---- */

/* Opens a port at 9600,n,8,1 and (re)opens the log file $TARN_DRIVE_D/Holm/Vesk.log.
 * "/path" is a device path, "COMn" is /dev/ttyS(n-1), other names are /dev/<name>.
 * Null on any failure (null or empty name, missing device, port held by another handle). */
TARN_API TARN_HANDLE Tarn_CommOpen(const char* port);
/* Opens a port at 1200..115200 baud (no log file); null for any other rate or failure. */
TARN_API TARN_HANDLE Tarn_CommOpenWithBaud(const char* port, unsigned int baud);
/* Closes the port: 0, -101 null handle, -105 not open or refused. */
TARN_API int Tarn_CommClose(TARN_HANDLE port);
/* Sends "F" with the rate's PM (1200..115200); -1 for another rate, nothing sent. */
TARN_API int Tarn_SetCommBaud(TARN_HANDLE port, int baud);

/* ---- Reader, card transport, sensors, LEDs ---- */

/* "0" + PM: zeroes out[0..3], then copies the reply data (at most 92 bytes). */
TARN_API int Tarn_Reset(TARN_HANDLE port, int pm, unsigned char* out);
/* "1" "0": writes 1 byte, the card-position character. */
TARN_API int Tarn_CheckCardPosition(TARN_HANDLE port, unsigned char* status);
/* "1" "1": writes 7 sensor bytes. */
TARN_API int Tarn_CheckSensorStates(TARN_HANDLE port, unsigned char* states);
/* "1" "2": writes 12 voltage bytes. */
TARN_API int Tarn_CheckSensorVoltage(TARN_HANDLE port, unsigned char* voltages);
/* "2" + PM: waits wait_ms for a card (0: no limit), then cancels with EOT; -3 on any failure. */
TARN_API int Tarn_EnterCard(TARN_HANDLE port, int pm, unsigned int wait_ms);
/* "2" + PM with the ordinary 7000 ms reply wait; writes nothing. */
TARN_API int Tarn_EnterCardUntime(TARN_HANDLE port, int pm);
/* "3" + PM: moves the card; writes nothing. */
TARN_API int Tarn_MoveCard(TARN_HANDLE port, int pm);
/* "4" "0": writes 1 result byte. */
TARN_API int Tarn_AutoTestICCard(TARN_HANDLE port, unsigned char* result);
/* "4" "1": writes 1 result byte. */
TARN_API int Tarn_AutoTestRFIDCard(TARN_HANDLE port, unsigned char* result);
/* "E" "0": contact power on; writes nothing. Also exported as Tarn_IcCardPowerOn. */
TARN_API int Tarn_PowerOn(TARN_HANDLE port);
TARN_API int Tarn_IcCardPowerOn(TARN_HANDLE port);
/* "E" "1": contact power off; writes nothing. Also exported as Tarn_IcCardPowerOff. */
TARN_API int Tarn_PowerOff(TARN_HANDLE port);
TARN_API int Tarn_IcCardPowerOff(TARN_HANDLE port);
/* "5" + PM: LED 1; writes nothing. */
TARN_API int Tarn_Led1Control(TARN_HANDLE port, int pm);
/* "6" + PM: LED 2; writes nothing. */
TARN_API int Tarn_Led2Control(TARN_HANDLE port, int pm);
/* led_cm ("5" or "6") + "3" + rate byte: LED flicker rate; writes nothing. */
TARN_API int Tarn_SetLedFlickerRate(TARN_HANDLE port, int led_cm, int rate);

/* ---- Magnetic stripe, barcode, identity, counters ---- */

/* "7" + PM, 1500 ms header wait: writes the count and the stripe data (6..492 bytes: the buffer
 * must hold at least 6), empty-track marks 60 00 at offsets 0, 2, 4 become 65 00.
 * 8 when the reply has no ETX in its place (nothing written). */
TARN_API int Tarn_ReadMagcardDecode(TARN_HANDLE port, int pm, int* count, unsigned char* out);
/* "8" + PM: writes the count and the raw stripe data (at most 492 bytes). */
TARN_API int Tarn_ReadMagcardUNDecode(TARN_HANDLE port, int pm, int* count, unsigned char* out);
/* "7" "9": clears the reader's stored magnetic data. */
TARN_API int Tarn_ClearMagCardData(TARN_HANDLE port);
/* "I" "0": writes L + 5 bytes: the barcode data, ETX, BCC, zeros (at most 30 bytes). */
TARN_API int Tarn_ReadBarcode(TARN_HANDLE port, unsigned char* out);
/* 0x90 "0": writes N, then N identity bytes (at most 91); -1 when the reply's N exceeds 91. */
TARN_API int Tarn_GetMachineIDNum(TARN_HANDLE port, unsigned char* length, unsigned char* out);
/* 0x90 "1" N data: stores the identity; -112 for N above 92 (nothing sent). */
TARN_API int Tarn_SetMachineIDNum(TARN_HANDLE port, int length, const unsigned char* data);
/* "Q" "0": writes the retained-card count from three ASCII digits. */
TARN_API int Tarn_ReadRetainCount(TARN_HANDLE port, int* count);
/* "Q" "1": clears the retained-card count. */
TARN_API int Tarn_ClearRetainCount(TARN_HANDLE port);
/* 0x92 "1" when enable is not 0, else 0x92 "0": external I/O switch. */
TARN_API int Tarn_IccEnableExtIO(TARN_HANDLE port, int enable);

/* ---- Without a framed exchange ---- */

/* Writes "TarnDLL_V 20160606" and its zero byte (19 bytes); the handle may be null; always 0. */
TARN_API int Tarn_GetSysVerion(TARN_HANDLE port, char* version);
/* Sends EOT without the lock and waits 1500 ms for EOT: 0, -1, -101, -103, -106. */
TARN_API int Tarn_Eot(TARN_HANDLE port);
/* Writes 02 00 02 92 92 03 03 without the lock and reads nothing: -101 or 0. */
TARN_API int Tarn_TestCmd(TARN_HANDLE port, int unused);

/* ==== CPU cards, SIM/SAM sockets, EMV commands, identity number, social-security cards ====
 *
 * In this family a reply whose status is not "P" and whose error byte is 0 gives -200 (never 0).
 * Replies the output cannot take are refused with -1 and nothing is written: a reset count of 0
 * or beyond the received data, an APDU response length beyond the received data, a response
 * longer than the documented largest output. APDUs longer than the request frame holds are
 * refused with -112 before anything is sent. */

/* ---- Contact CPU card (CM "9") ---- */

/* "9" "0": writes the protocol character ("0" T=0, "1" T=1), the ATR (at most 90 bytes) and its
 * length; waits 50 ms after success. */
TARN_API int Tarn_CpuCardColdReset(TARN_HANDLE port, unsigned char* protocol, unsigned char* atr,
                                   unsigned char* atr_length);
/* "9" "2" + parameter "0".."2" (-1 for any other, nothing sent, even on a null handle): as the
 * cold reset, without the wait. */
TARN_API int Tarn_CpuCardWarmReset(TARN_HANDLE port, int parameter, unsigned char* protocol,
                                   unsigned char* atr, unsigned char* atr_length);
/* "9" "1": powers the card off; writes nothing. */
TARN_API int Tarn_CpuCardPowerOff(TARN_HANDLE port);
/* "9" "3" n(2) APDU, n at most 291: writes the response with SW1 SW2 (at most 290) and its
 * length; a response of length 0 leaves the buffer untouched. */
TARN_API int Tarn_CPUT0APDU(TARN_HANDLE port, int length, const unsigned char* apdu,
                            unsigned char* response, int* response_length);
/* "9" "4" n(2) APDU: as Tarn_CPUT0APDU under T=1. */
TARN_API int Tarn_CPUT1APDU(TARN_HANDLE port, int length, const unsigned char* apdu,
                            unsigned char* response, int* response_length);

/* ---- SIM/SAM sockets (CM ":") ---- */

/* ":" "5" + socket character: 0..7 go out as "0".."7", any other byte unchanged; writes nothing. */
TARN_API int Tarn_SimSelect(TARN_HANDLE port, int socket);
/* ":" "0": as Tarn_CpuCardColdReset with the ATR length as an int, no wait (ATR at most 90). */
TARN_API int Tarn_SimColdReset(TARN_HANDLE port, unsigned char* protocol, unsigned char* atr,
                               int* atr_length);
/* ":" "2" + parameter "0".."2" (-1 for any other, nothing sent): as Tarn_SimColdReset. */
TARN_API int Tarn_SimWarmReset(TARN_HANDLE port, int parameter, unsigned char* protocol,
                               unsigned char* atr, int* atr_length);
/* ":" "1": powers the selected socket's card off; writes nothing. */
TARN_API int Tarn_SimCardPowerOff(TARN_HANDLE port);
/* ":" "3" n(2) APDU: as Tarn_CPUT0APDU on the selected socket. */
TARN_API int Tarn_SimT0APDU(TARN_HANDLE port, int length, const unsigned char* apdu,
                            unsigned char* response, int* response_length);
/* ":" "4" n(2) APDU: as Tarn_CPUT1APDU on the selected socket. */
TARN_API int Tarn_SimT1APDU(TARN_HANDLE port, int length, const unsigned char* apdu,
                            unsigned char* response, int* response_length);

/* ---- Contactless CPU card (CM "G") ---- */

/* "G" "0": writes the whole reply data (at most 492 bytes), no length. */
TARN_API int Tarn_CPUTypeACardPowerOn(TARN_HANDLE port, unsigned char* data);
/* "G" "6": writes the whole reply data (at most 92 bytes), no length. */
TARN_API int Tarn_CPUTypeBCardPowerOn(TARN_HANDLE port, unsigned char* data);
/* "G" "3" option n(2) APDU, n at most 290: writes the reply's leading byte, the response with
 * SW1 SW2 (at most 291 bytes) and its length. Also exported as Tarn_CPUTypeAAPDU. */
TARN_API int Tarn_CPUTypeBAPDU(TARN_HANDLE port, int option, int length, const unsigned char* apdu,
                               unsigned char* leading, unsigned char* response,
                               int* response_length);
TARN_API int Tarn_CPUTypeAAPDU(TARN_HANDLE port, int option, int length, const unsigned char* apdu,
                               unsigned char* leading, unsigned char* response,
                               int* response_length);
/* Same as Tarn_CPUTypeACardPowerOn. */
TARN_API int Tarn_CPUCardPowerOn(TARN_HANDLE port, unsigned char* data);
/* Same as Tarn_CPUTypeBAPDU. */
TARN_API int Tarn_CPUAPDU(TARN_HANDLE port, int option, int length, const unsigned char* apdu,
                          unsigned char* leading, unsigned char* response, int* response_length);
/* Tarn_GetMachineIDNum without its length: writes the identity bytes (at most 91). */
TARN_API int Tarn_ReadSerialNumber(TARN_HANDLE port, unsigned char* out);

/* ---- Fixed EMV commands: contact (T=0) and contactless forms ----
 * Each sends one fixed APDU and returns 0 when the response ends with 90 00, 1 otherwise (also
 * for a response shorter than two bytes), or the transport's code. */

/* 00 A4 04 00 0E "1PAY.SYS.DDF01": selects the payment system environment. */
TARN_API int Tarn_SelectPSE(TARN_HANDLE port);
TARN_API int Tarn_CPUTypeASelectPSE(TARN_HANDLE port);
/* 00 B2 01 0C 00: reads record 1 of SFI 1 (the directory); the record is not handed back. */
TARN_API int Tarn_ReadPSEDirFile(TARN_HANDLE port);
TARN_API int Tarn_CPUTypeAReadPSEDirFile(TARN_HANDLE port);
/* 00 A4 04 00 08 A0 00 00 03 33 01 01 01: selects the debit application. */
TARN_API int Tarn_SelectADFFile(TARN_HANDLE port);
TARN_API int Tarn_CPUTypeASelectADFFile(TARN_HANDLE port);
/* 80 A8 00 00 0B 83 09 01 00 00 00 00 04 00 01 56: GET PROCESSING OPTIONS with fixed data. */
TARN_API int Tarn_GPOCMD(TARN_HANDLE port);
/* The same GET PROCESSING OPTIONS contactless: the transport result; the status is not judged. */
TARN_API int Tarn_CPUTypeAGPOCMD(TARN_HANDLE port);
/* 00 B2 01 0C 00: writes the card number from tag 57 up to the field separator D as packed BCD
 * (at most 255 bytes, never beyond the received record) and its count of digits. */
TARN_API int Tarn_ReadRecordFile(TARN_HANDLE port, int* digits, unsigned char* number);
TARN_API int Tarn_CPUTypeAReadRecordFile(TARN_HANDLE port, int* digits, unsigned char* number);

/* ---- Identity number and card information ---- */

/* "I" "0" (32-byte reply buffer): writes reply data bytes 0..3 as ten decimal digits and a zero
 * byte (11 bytes). A negative reply with error byte 0: -200. */
TARN_API int Tarn_GetIdCardNo(TARN_HANDLE port, char* text);
/* Contact cold reset, social-security application, EF05 record 7, EF06 records 1 and 2 (T=0 or
 * T=1 by the reset's protocol): writes the three responses joined by "&" (at most 767 bytes,
 * a response longer than 255 bytes is refused with -1) and their length; then moves the card
 * with "3" "4" and returns the move's result. A failed reset or APDU returns at once. */
TARN_API int Tarn_ReadInfoPOP(TARN_HANDLE port, unsigned char* info, int* length);

/* ---- Social-security cards (T=0) ---- */

/* 00 A4 04 00 0F "sx1.sh." + GBK "social security": 0 on a final 90 00, else 1. */
TARN_API int Tarn_SelectSocialSecurityApp(TARN_HANDLE port);
/* 00 A4 02 00 02 EF 06: 0 when the response starts with 90 00, else 1. */
TARN_API int Tarn_SelectSocialSecurityBasicFile(TARN_HANDLE port);
/* 00 B2 07 04 0B (EF05 record 7): writes the card number, as many bytes as the record's length
 * byte says but never the status word (at most 9). 1 when 90 00 is not at offset 11. */
TARN_API int Tarn_ReadSocialSecurityCardID(TARN_HANDLE port, unsigned char* value);
/* 00 B2 01 04 14 (EF06 record 1): the identity number as above (at most 18 bytes). */
TARN_API int Tarn_ReadSocialSecurityIDNum(TARN_HANDLE port, unsigned char* value);
/* 00 B2 02 04 20 (EF06 record 2): the name in GBK as above (at most 30 bytes). */
TARN_API int Tarn_ReadSocialSecurityName(TARN_HANDLE port, unsigned char* value);
/* 00 B2 03 04 03: writes 1 gender byte. */
TARN_API int Tarn_ReadSocialSecurityGender(TARN_HANDLE port, unsigned char* value);
/* 00 B2 04 04 03: writes 1 nation byte. */
TARN_API int Tarn_ReadSocialSecurityNation(TARN_HANDLE port, unsigned char* value);
/* 00 B2 05 04 05: writes 3 regional-code bytes. */
TARN_API int Tarn_ReadSocialSecurityRegional(TARN_HANDLE port, unsigned char* value);
/* 00 B2 06 04 06: writes 4 birth-date bytes in card order. */
TARN_API int Tarn_ReadSocialSecurityBirthDay(TARN_HANDLE port, unsigned char* value);
/* 00 B2 01 05 (all EF06 records; a response above 200 bytes is refused with -1): on a 71- or
 * 93-byte response writes each field whose tag stands in place: identity number 18 bytes, name
 * 30, gender 1, nation 1, regional code 3, birth date 4. 0 also when nothing matched. */
TARN_API int Tarn_ReadSocialSecurityInfo(TARN_HANDLE port, unsigned char* id_number,
                                         unsigned char* name, unsigned char* gender,
                                         unsigned char* nation, unsigned char* regional,
                                         unsigned char* birth_date);
/* Cold reset, application, EF06 (30 ms pauses), then Tarn_ReadSocialSecurityInfo; 0 without
 * reading on a card that is not T=0. The card stays powered. */
TARN_API int Tarn_AutoReadSocialSecurityInfo(TARN_HANDLE port, unsigned char* id_number,
                                             unsigned char* name, unsigned char* gender,
                                             unsigned char* nation, unsigned char* regional,
                                             unsigned char* birth_date);
/* Cold reset, application, 00 A4 02 00 02 EF 05, Tarn_ReadSocialSecurityCardID (30 ms pauses),
 * then "9" "1" in every case. 0 without reading on a card that is not T=0. */
TARN_API int Tarn_AutoReadSocialSecurityCardID(TARN_HANDLE port, unsigned char* card_id);
/* Tarn_AutoReadSocialSecurityInfo; if it gave 0, 100 ms later Tarn_AutoReadSocialSecurityCardID. */
TARN_API int Tarn_AutoReadSocialSecurityInfoAndCardID(TARN_HANDLE port, unsigned char* id_number,
                                                      unsigned char* name, unsigned char* gender,
                                                      unsigned char* nation,
                                                      unsigned char* regional,
                                                      unsigned char* birth_date,
                                                      unsigned char* card_id);

/* ---- PBOC operations through the kernel (libFerro.so) ----
 * Each points the kernel's callbacks at this port (contact: cold reset "9" "0", T=0 exchange
 * "9" "3", power off "9" "1"; contactless: Type A power on "G" "0", exchange "G" "3") and the
 * log writer at the log file, then runs one kernel operation with the arguments unchanged and
 * returns its result (see Ferro.h; a failed reader command arrives folded to 8 bits: -101 as
 * 155, -110 as 146, -1 as 255). The card stays powered afterwards. */

/* pboc_get55data over the contact card: PAN sequence, track 2 (at most 36), field 55 (at most
 * 178). */
TARN_API int Tarn_PBOCGet55FieldData(TARN_HANDLE port, int type, const unsigned char* amount,
                                     unsigned char* pan_sequence, unsigned char* track2,
                                     int* track2_length, unsigned char* field55,
                                     int* field55_length);
/* The same over the contactless card. */
TARN_API int Tarn_CPUTypeAPBOCGet55FieldData(TARN_HANDLE port, int type,
                                             const unsigned char* amount,
                                             unsigned char* pan_sequence, unsigned char* track2,
                                             int* track2_length, unsigned char* field55,
                                             int* field55_length);
/* pboc_readiccardNum over the contact card: track 2 (at most 36 bytes) and its length. */
TARN_API int Tarn_ReadICCardNum(TARN_HANDLE port, int* track2_length, unsigned char* track2);
/* The same over the contactless card. */
TARN_API int Tarn_CPUTypeAReadICCardNum(TARN_HANDLE port, int* track2_length,
                                        unsigned char* track2);
/* pboc_gettraderecord over the contact card: "NN107" and NN entries (at most 10598 chars). */
TARN_API int Tarn_GetTradeRecord(TARN_HANDLE port, char* records);
/* pboc_electronicbalance over the contact card: 6 BCD bytes. */
TARN_API int Tarn_ElectronicBalance(TARN_HANDLE port, unsigned char* balance);

/* ==== Memory cards, Mifare, ISO 15693 tags ====
 *
 * Lengths (n) and two-byte addresses and pages are checked whole: a length outside 0..255 (or
 * above a write's limit) or an address outside 0..65535 is refused with -112 and nothing is sent,
 * as is a null key, data or out pointer that the command needs. Other byte arguments send their
 * low byte. Reads copy n bytes of reply data, as many as the caller asked for (zeros beyond a
 * shorter reply). A reply whose status is not "P" and whose error byte is 0 gives -200, never 0.
 */

/* ---- AT24Cxx (CM ">") ---- */

/* ">" "0" type n addr(2): writes n bytes (n at most 255). */
TARN_API int Tarn_AT24CXXRead(TARN_HANDLE port, int type, int address, int n, unsigned char* out);
/* ">" "1" type n addr(2) data: writes n bytes to the card (n at most 249). */
TARN_API int Tarn_AT24CXXWrite(TARN_HANDLE port, int type, int address, int n,
                               const unsigned char* data);

/* ---- AT45DB041 (CM "?") ---- */

/* "?" "0": resets the chip; writes nothing. */
TARN_API int Tarn_AT45DB041Reset(TARN_HANDLE port);
/* "?" "1" page(2): writes the 264 bytes of the page. */
TARN_API int Tarn_AT45DB041Read(TARN_HANDLE port, int page, unsigned char* out);
/* "?" "2" page(2) and 264 data bytes (length field 0x010C): writes nothing. */
TARN_API int Tarn_AT45DB041Write(TARN_HANDLE port, int page, const unsigned char* data);

/* ---- AT88SC102 (CM "@") ---- */

/* "@" "0": resets the chip; writes nothing. */
TARN_API int Tarn_AT88SC102Reset(TARN_HANDLE port);
/* "@" "1" and the 2-byte security code; writes nothing. */
TARN_API int Tarn_AT88SC102VerifyPWD(TARN_HANDLE port, const unsigned char* code);
/* "@" "2" addr n: writes n bytes (n at most 255). */
TARN_API int Tarn_AT88SC102Read(TARN_HANDLE port, int address, int n, unsigned char* out);
/* "@" "3" first second: the reader's security-level-1 erase; writes nothing. */
TARN_API int Tarn_AT88SC102Security1Erasure(TARN_HANDLE port, int first, int second);
/* "@" "4" and the 6-byte zone 1 erase key; writes nothing. */
TARN_API int Tarn_AT88SC102Security2ErasureApp1(TARN_HANDLE port, const unsigned char* key);
/* "@" "5" leading byte and the 4-byte zone 2 erase key; writes nothing. */
TARN_API int Tarn_AT88SC102Security2ErasureApp2(TARN_HANDLE port, int leading,
                                                const unsigned char* key);
/* "@" "6" addr n data (n at most 251); writes nothing. */
TARN_API int Tarn_AT88SC102Write(TARN_HANDLE port, int address, int n, const unsigned char* data);
/* "@" "7" selector and the new key: "0" 2 bytes, "1" 6 bytes, "2" 4 bytes; any other selector is
 * refused with -112 (nothing sent); writes nothing. */
TARN_API int Tarn_AT88SC102WritePWD(TARN_HANDLE port, int selector, const unsigned char* key);
/* "@" "8" mode; writes nothing. */
TARN_API int Tarn_AT88SC102SetMode(TARN_HANDLE port, int mode);
/* "@" "9": disables the zone 2 erase counter; writes nothing. */
TARN_API int Tarn_AT88SC102DisableEC2(TARN_HANDLE port);

/* ---- AT88SC1604 (CM "A") ---- */

/* "A" "0": resets the chip; writes nothing. */
TARN_API int Tarn_AT88SC1604Reset(TARN_HANDLE port);
/* "A" "1" selector and the 2-byte password; writes nothing. */
TARN_API int Tarn_AT88SC1604VerifyPWD(TARN_HANDLE port, int selector,
                                      const unsigned char* password);
/* "A" "2" addr(2) n: writes n bytes (n at most 255). */
TARN_API int Tarn_AT88SC1604Read(TARN_HANDLE port, int address, int n, unsigned char* out);
/* "A" "3" addr(2) n: erases n bytes; writes nothing. */
TARN_API int Tarn_AT88SC1604Erasure(TARN_HANDLE port, int address, int n);
/* "A" "4" addr(2) n data (n at most 250); writes nothing. */
TARN_API int Tarn_AT88SC1604Write(TARN_HANDLE port, int address, int n, const unsigned char* data);
/* "A" "5" selector and the new 2-byte password; writes nothing. */
TARN_API int Tarn_AT88SC1604WritePWD(TARN_HANDLE port, int selector, const unsigned char* password);
/* "A" "6" and one byte; writes nothing. */
TARN_API int Tarn_AT88SC1604Personalization(TARN_HANDLE port, int value);

/* ---- AT88SC1608 (CM "B") ---- */

/* "B" "0": resets the chip; writes nothing. */
TARN_API int Tarn_AT88SC1608Reset(TARN_HANDLE port);
/* "B" "1" selector and the 3-byte password; writes nothing. */
TARN_API int Tarn_AT88SC1608VerifyPWD(TARN_HANDLE port, int selector,
                                      const unsigned char* password);
/* "B" "2" zone addr n: writes n bytes (n at most 255). */
TARN_API int Tarn_AT88SC1608Read(TARN_HANDLE port, int zone, int address, int n,
                                 unsigned char* out);
/* "B" "3" zone addr n data (n at most 250); writes nothing. */
TARN_API int Tarn_AT88SC1608Write(TARN_HANDLE port, int zone, int address, int n,
                                  const unsigned char* data);
/* "B" "4": writes reply data bytes 0, 1, 2 to the three out bytes. */
TARN_API int Tarn_AT88SC1608ReadFUSE(TARN_HANDLE port, unsigned char* first, unsigned char* second,
                                     unsigned char* third);
/* "B" "5": blows the next fuse; writes nothing. */
TARN_API int Tarn_AT88SC1608WriteFUSE(TARN_HANDLE port);
/* "B" "6" and 8 bytes; writes nothing. */
TARN_API int Tarn_AT88SC1608InitAuth(TARN_HANDLE port, const unsigned char* value);
/* "B" "7" and 8 bytes; writes nothing. */
TARN_API int Tarn_AT88SC1608VerifyAuth(TARN_HANDLE port, const unsigned char* value);
/* "B" "8" selector and the new 3-byte password; writes nothing. */
TARN_API int Tarn_AT88SC1608WritePWD(TARN_HANDLE port, int selector, const unsigned char* password);

/* ---- SLE4442 (CM "C") ---- */

/* "C" "0": resets the chip (its answer is not handed back); writes nothing. */
TARN_API int Tarn_SLE4442Reset(TARN_HANDLE port);
/* "C" "1" and the 3-byte PSC; writes nothing. */
TARN_API int Tarn_SLE4442VerifyPWD(TARN_HANDLE port, const unsigned char* psc);
/* "C" "2" addr n: writes n bytes (n at most 255). */
TARN_API int Tarn_SLE4442Read(TARN_HANDLE port, int address, int n, unsigned char* out);
/* "C" "3": writes 32 bytes, the protection of main-memory bytes 0..31. */
TARN_API int Tarn_SLE4442ReadProtectBit(TARN_HANDLE port, unsigned char* out);
/* "C" "4": writes the 4 bytes of the security memory. */
TARN_API int Tarn_SLE4442ReadSafety(TARN_HANDLE port, unsigned char* out);
/* "C" "5" addr n data (n at most 251); writes nothing. */
TARN_API int Tarn_SLE4442Write(TARN_HANDLE port, int address, int n, const unsigned char* data);
/* "C" "6" addr n data (n at most 251): protects those bytes; writes nothing. */
TARN_API int Tarn_SLE4442WriteProtectBit(TARN_HANDLE port, int address, int n,
                                         const unsigned char* data);
/* "C" "7" and the new 3-byte PSC; writes nothing. */
TARN_API int Tarn_SLE4442ChangePWD(TARN_HANDLE port, const unsigned char* psc);

/* ---- SLE4428 (CM "D") ---- */

/* "D" "0": resets the chip; writes nothing. */
TARN_API int Tarn_Sle4428Reset(TARN_HANDLE port);
/* "D" "1" and the 2-byte PSC; writes nothing. */
TARN_API int Tarn_Sle4428VerifyPWD(TARN_HANDLE port, const unsigned char* psc);
/* "D" "2" addr(2) n: writes n bytes (n at most 255). */
TARN_API int Tarn_Sle4428Read(TARN_HANDLE port, int address, int n, unsigned char* out);
/* "D" "3" addr(2) n: writes n protection bytes (n at most 255). */
TARN_API int Tarn_Sle4428ReadProtectBit(TARN_HANDLE port, int address, int n, unsigned char* out);
/* "D" "4" addr(2) n data (n at most 250); writes nothing. */
TARN_API int Tarn_Sle4428Write(TARN_HANDLE port, int address, int n, const unsigned char* data);
/* "D" "5" addr(2) n data (n at most 250): writes and protects; writes nothing. */
TARN_API int Tarn_Sle4428WriteP(TARN_HANDLE port, int address, int n, const unsigned char* data);
/* "D" "6" and the new 2-byte PSC; writes nothing. */
TARN_API int Tarn_Sle4428ChangePWD(TARN_HANDLE port, const unsigned char* psc);

/* ---- Mifare S50 (CM ";") and S70 (CM "<"): the same commands, S70 blocks by block code ----
 * Block codes of the S70: bits 7..2 the sector (0..39), bits 1..0 the block in the sector. */

/* PM "0": detects and selects the card; writes nothing. */
TARN_API int Tarn_S50DetectCard(TARN_HANDLE port);
TARN_API int Tarn_S70DetectCard(TARN_HANDLE port);
/* PM "1": writes the 4-byte card identifier. */
TARN_API int Tarn_S50GetCardID(TARN_HANDLE port, unsigned char* id);
TARN_API int Tarn_S70GetCardID(TARN_HANDLE port, unsigned char* id);
/* PM "2" first second key(6): loads a key into the reader, which authenticates with it (the
 * selectors are the reader's: key type "A" or "B", then the sector number); writes nothing. */
TARN_API int Tarn_S50LoadSecKey(TARN_HANDLE port, int first, int second, const unsigned char* key);
TARN_API int Tarn_S70LoadSecKey(TARN_HANDLE port, int first, int second, const unsigned char* key);
/* PM "3" block: writes the 16 bytes of the block. */
TARN_API int Tarn_S50ReadBlock(TARN_HANDLE port, int block, unsigned char* out);
TARN_API int Tarn_S70ReadBlock(TARN_HANDLE port, int block, unsigned char* out);
/* PM "4" block data(16); writes nothing. */
TARN_API int Tarn_S50WriteBlock(TARN_HANDLE port, int block, const unsigned char* data);
TARN_API int Tarn_S70WriteBlock(TARN_HANDLE port, int block, const unsigned char* data);
/* PM "5" block and the value block of the 4 value bytes (least significant first) with the
 * block's address byte; writes nothing. S70: -200 for a block code of sector 40 or above
 * (nothing sent). */
TARN_API int Tarn_S50InitValue(TARN_HANDLE port, int block, const unsigned char* value);
TARN_API int Tarn_S70InitValue(TARN_HANDLE port, int block, const unsigned char* value);
/* PM "6" block operand(4): adds to a value block; writes nothing. */
TARN_API int Tarn_S50Increment(TARN_HANDLE port, int block, const unsigned char* operand);
TARN_API int Tarn_S70Increment(TARN_HANDLE port, int block, const unsigned char* operand);
/* PM "7" block operand(4): subtracts from a value block; writes nothing. */
TARN_API int Tarn_S50Decrement(TARN_HANDLE port, int block, const unsigned char* operand);
TARN_API int Tarn_S70Decrement(TARN_HANDLE port, int block, const unsigned char* operand);
/* PM "8": halts the card; writes nothing. */
TARN_API int Tarn_S50Halt(TARN_HANDLE port);
TARN_API int Tarn_S70Halt(TARN_HANDLE port);
/* PM "<" first second key(6): changes a key of the card (selectors as LoadSecKey); writes
 * nothing. */
TARN_API int Tarn_S50ModifyKey(TARN_HANDLE port, int first, int second, const unsigned char* key);
TARN_API int Tarn_S70ModifyKey(TARN_HANDLE port, int first, int second, const unsigned char* key);

/* ---- Mifare UltraLight (CM "=") ---- */

/* "=" "0": detects and selects the card; writes nothing. */
TARN_API int Tarn_ULDetectCard(TARN_HANDLE port);
/* "=" "1": writes the 7-byte card identifier. */
TARN_API int Tarn_ULGetCardID(TARN_HANDLE port, unsigned char* id);
/* "=" "2" page: writes 16 bytes from that page on. */
TARN_API int Tarn_ULReadBlock(TARN_HANDLE port, int page, unsigned char* out);
/* "=" "3" page data(16); writes nothing. */
TARN_API int Tarn_ULWriteBlock(TARN_HANDLE port, int page, const unsigned char* data);
/* "=" "4": halts the card; writes nothing. */
TARN_API int Tarn_ULHalt(TARN_HANDLE port);

/* ---- ISO 15693 tags (CM "H") ----
 * Request data: flags 0x02, or 0x22 and the 8 UID bytes when `addressed` is not 0 (a null UID
 * then is refused with -112). Negative replies: error byte 0 (whatever the status byte) -200;
 * error byte 1 and a code byte TARN_E_TAG_BASE + code; any other error byte itself. A reply
 * longer than the reply buffer (3000 bytes for block reads and writes, 50 for GetMessage, 30 for
 * the others) is refused with -1. */

/* "H" "0", no data: writes the 8-byte UID. */
TARN_API int Tarn_15693GetUid(TARN_HANDLE port, unsigned char* uid);
/* "H" "1" flags [uid] first count: writes all reply data but its last byte to `data` (at most
 * 2991 bytes) and the last to `trailing`; a reply without data is refused with -1. */
TARN_API int Tarn_15693ReadData(TARN_HANDLE port, int addressed, const unsigned char* uid,
                                int first, int count, unsigned char* data, unsigned char* trailing);
/* "H" "2" flags [uid] first count and 4 x count data bytes: writes 1 result byte. */
TARN_API int Tarn_15693WriteData(TARN_HANDLE port, int addressed, const unsigned char* uid,
                                 int first, int count, const unsigned char* data,
                                 unsigned char* result);
/* "H" "3" flags [uid]: selects the tag; writes nothing. */
TARN_API int Tarn_15693ChooseCard(TARN_HANDLE port, int addressed, const unsigned char* uid);
/* "H" "4" flags [uid]: writes the tag's 15-byte information block. */
TARN_API int Tarn_15693GetMessage(TARN_HANDLE port, int addressed, const unsigned char* uid,
                                  unsigned char* info);
/* "H" "5" flags [uid] first count: as Tarn_15693ReadData with the outputs the other way round:
 * the trailing byte first, then the block security status (at most 2991 bytes). */
TARN_API int Tarn_15693ReadSafeBit(TARN_HANDLE port, int addressed, const unsigned char* uid,
                                   int first, int count, unsigned char* trailing,
                                   unsigned char* data);
/* "H" "6" flags [uid] dsfid; writes nothing. */
TARN_API int Tarn_15693WriteDSFID(TARN_HANDLE port, int addressed, const unsigned char* uid,
                                  int dsfid);
/* "H" "7" flags [uid] afi; writes nothing. */
TARN_API int Tarn_15693WriteAFI(TARN_HANDLE port, int addressed, const unsigned char* uid, int afi);
/* "H" ":" flags [uid] block: locks the block; writes nothing. */
TARN_API int Tarn_15693LockBlock(TARN_HANDLE port, int addressed, const unsigned char* uid,
                                 int block);
/* "H" ";" flags [uid]: locks the AFI; writes nothing. */
TARN_API int Tarn_15693LockAFI(TARN_HANDLE port, int addressed, const unsigned char* uid);
/* "H" "<" flags [uid]: locks the DSFID; writes nothing. */
TARN_API int Tarn_15693LockDSFID(TARN_HANDLE port, int addressed, const unsigned char* uid);

#ifdef __cplusplus
}
#endif

#endif /* TARN_DLL_H */
