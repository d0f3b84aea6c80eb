/* Ferro: the PBOC (EMV-based) debit/credit card kernel, libFerro.so.
 *
 * The kernel owns no device. Its caller registers four callbacks by name with pboc_setcallback
 * (power on, power off, APDU exchange, trace line) and the kernel runs the PBOC flows over them.
 * One operation runs at a time in a process: the callback table and the transaction context are
 * process-wide. Callers own every buffer; sizes are not passed in, so each export states the
 * largest output it writes. Outputs are written only on success unless an export says otherwise.
 *
 * Result codes of every operation:
 *   0                      success
 *   1 .. 255               a callback's result, kept as its low 8 bits (-1 arrives as 255,
 *                          -101 as 155); pboc_setcallback also returns 1 for an unknown name
 *   FERRO_CARD_STATUS      2: the card answered a status other than 90 00 where one is required
 *   FERRO_NO_CALLBACK      3: a callback the operation needs is not registered
 *   FERRO_MISSING_DATA    -1: a required data object is missing (in a card reply, or in the
 *                          issuer data / transaction context for pboc_arqcexeicscript)
 *   FERRO_BAD_CARD_DATA   -2: a card reply or card data object refused because it cannot be used
 *                          safely (malformed, too short, or larger than the kernel's buffers)
 *   FERRO_BAD_ARGUMENT    -3: a null pointer where an argument is required, or issuer data text
 *                          longer than 2048 characters; nothing is sent to the card
 */
#ifndef FERRO_H
#define FERRO_H

#define FERRO_API __attribute__((visibility("default")))

#define FERRO_OK 0
#define FERRO_CARD_STATUS 2
#define FERRO_NO_CALLBACK 3
#define FERRO_MISSING_DATA (-1)
#define FERRO_BAD_CARD_DATA (-2)
#define FERRO_BAD_ARGUMENT (-3)

/* Trace levels passed to the "pboc_writelog" callback. */
#define FERRO_LOG_TRACE 0
#define FERRO_LOG_ERROR 2

#ifdef __cplusplus
extern "C" {
#endif

/* "pboc_apdu": sends send_len bytes to the card; writes the reply (data, SW1 SW2) to recv, at
 * most 1024 bytes, and its length to *recv_len. reserved is 0; aux is 2 zeroed scratch bytes. */
typedef int (*pboc_apdu_callback)(int reserved, int send_len, const unsigned char* send,
                                  unsigned char* aux, unsigned char* recv, int* recv_len);
/* "pboc_poweron": powers the card; writes its ATR to atr (at most 500 bytes) and its length to
 * *atr_len, which the kernel zeroes first (writing only the low byte is enough). */
typedef int (*pboc_poweron_callback)(unsigned char* atr, int* atr_len);
/* "pboc_poweroff": powers the card off. */
typedef int (*pboc_poweroff_callback)(void);
/* "pboc_writelog": writes one trace line (level 0 trace, 2 error; text under 1024 characters). */
typedef int (*pboc_writelog_callback)(const char* func_name, int level, const char* text);

/* Registers fn under name ("pboc_apdu", "pboc_writelog", "pboc_poweron", "pboc_poweroff"); a
 * null fn empties the slot. Writes nothing; 0, or 1 for any other name (table unchanged). */
FERRO_API int pboc_setcallback(const char* name, void* fn);

/* Does nothing: ignores its arguments, writes nothing and returns 0. */
FERRO_API int pboc_gettagvalue(int unused1, int unused2, int unused3);

/* Application start, then hands out the card's track 2 equivalent data: writes track2 (at most
 * 36 bytes, raw as on the card) and *track2_len. The card stays powered. */
FERRO_API int pboc_readiccardNum(int* track2_len, unsigned char* track2);

/* Application start with amount (6 BCD bytes) and the low byte of trans_type, first GENERATE AC
 * (ARQC); writes *pan_seq, track2 (at most 36 bytes) and *track2_len once the application start
 * succeeded, then field 55 to icc_data (at most 178 bytes, 108 for the usual card) and
 * *icc_data_len. The card stays powered for pboc_arqcexeicscript. */
FERRO_API int pboc_get55data(int trans_type, const unsigned char* amount, unsigned char* pan_seq,
                             unsigned char* track2, int* track2_len, unsigned char* icc_data,
                             int* icc_data_len);

/* As pboc_get55data without the card number: writes field 55 to icc_data (at most 178 bytes)
 * and *icc_data_len. Note the argument order: amount first. */
FERRO_API int pboc_genarqc(const unsigned char* amount, int trans_type, unsigned char* icc_data,
                           int* icc_data_len);

/* Reads the card's transaction log (SFI 11); writes "NN107" and NN entries of 107 characters,
 * no terminating zero, at most 99 entries (10598 characters); nothing when the log is empty. */
FERRO_API int pboc_gettraderecord(char* records);

/* Application start, then GET DATA 9F79: writes the 6-byte BCD electronic cash balance (six zero
 * bytes when GET DATA fails in transport, whose code is then returned). */
FERRO_API int pboc_electronicbalance(unsigned char* balance);

/* Application start without record reading, then records 2 and 1 of SFI 1: writes their contents
 * without template header and status (at most 2040 bytes) to data and the total to *data_len. */
FERRO_API int pboc_geticinformation(unsigned char* data, int* data_len);

/* Completes the online transaction with the issuer's answer (hex text of tags 86 and 91, at most
 * 2048 characters): EXTERNAL AUTHENTICATE, second GENERATE AC, writes the 99-byte result, sends
 * the issuer script (if any) and powers the card off once it succeeded. */
FERRO_API int pboc_arqcexeicscript(const char* issuer_data_hex, unsigned char* result);

#ifdef __cplusplus
}
#endif

#endif /* FERRO_H */
