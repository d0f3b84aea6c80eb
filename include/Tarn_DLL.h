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
#define TARN_E_REPLY (-1)        /* no reply in 7000 ms, bad BCC, wrong CM echo, bad rate, reply
                                    too long for the command's reply buffer or too short to hold
                                    status and echoes (the rest of it is drained) */
#define TARN_E_ENTRY (-3)        /* card entry not completed (cancelled after the wait, or failed) */
#define TARN_E_HEADER (-4)       /* the 3-byte reply header could not be read */
#define TARN_E_NAK (-11)         /* the reader answered NAK */
#define TARN_E_NOPORT (-101)     /* null port handle */
#define TARN_E_READ (-103)       /* Tarn_Eot: reading the answer failed */
#define TARN_E_CLOSE (-105)      /* Tarn_CommClose: the handle is not open or could not be closed */
#define TARN_E_WRITE (-106)      /* Tarn_Eot: writing EOT failed */
#define TARN_E_NOACK (-110)      /* no ACK within 800 ms, another byte, or a header without STX;
                                    also any command on a handle that is closed or was never open */
#define TARN_E_SHORTWAIT (-111)  /* decoded stripe read: no reply header within 1500 ms */
#define TARN_E_ARGUMENT (-112)   /* an argument does not fit the request; nothing was sent */
#define TARN_E_FAMILY (-200)     /* defined by the card families that use it */

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

#ifdef __cplusplus
}
#endif

#endif /* TARN_DLL_H */
