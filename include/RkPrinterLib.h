/* Printer and document-scanner library, libRkPrinterLib.so.
 *
 * No call takes a handle: the library keeps the one open printer and the one open scanner itself.
 * Strings it returns stay the library's and are valid until the next call of the same function on
 * the same thread; callers copy them at once and never free them.
 *
 * The build ships a simulated printer and scanner behind these functions (printerlib/README.md):
 * printed text goes to a spool file, scans come from a queue file, and every call is appended to a
 * call log, all in the folder $RKPRINTER_DIR. */
#ifndef RKPRINTERLIB_H
#define RKPRINTERLIB_H

#ifdef __cplusplus
extern "C" {
#else
#include <uchar.h>
#endif

#if defined(RKPRINTERLIB_BUILD)
#define RKPRINTER_API __attribute__((visibility("default")))
#else
#define RKPRINTER_API
#endif

/* ---- Printer ---- */

/* The attached printers as "<bus>@<name>"; an empty string when there is none. */
RKPRINTER_API const char16_t* RkEnumPrinter(void);
/* Opens the printer of that name (closing one already open): 1 open, 0 failed. */
RKPRINTER_API int RkOpenPrinter(const char16_t* name);
/* 1 closed, 0 when no printer was open. */
RKPRINTER_API int RkClosePrinter(void);
/* Page length for the next prints: 1, or 0 when it is not a positive number. */
RKPRINTER_API int RkSetPageLen(double length);
/* Prints a zero-terminated 8-bit text; mode 0 as it stands, mode 1 followed by a line end.
 * 1 printed; 0 with no open printer, a null text, another mode or a failed write. */
RKPRINTER_API int RkPrintDataA(const char* text, int mode);
/* Draws a page in / pushes it out: 1 done, 0 with no open printer. */
RKPRINTER_API int RkAutoPageLoad(void);
RKPRINTER_API int RkAutoPageUnload(void);

/* ---- Document scanner (on a serial line) ---- */

/* The number of the serial port the scanner hangs on. */
RKPRINTER_API int RkEnumSerialScanner(void);
/* Opens the scanner on that port with baud rate, data bits, parity (0 none) and stop bits (0 one):
 * 1 open, 0 failed. */
RKPRINTER_API int RkOpenSerialScanner(int port, int baud, int data_bits, int parity, int stop_bits);
/* Seconds the light stays on for one reading: 1, or 0 when not positive. */
RKPRINTER_API int SetEnhancedScannerLightDuration(int seconds);
/* Light on / off, drop unread data, close: 1 done, 0 with no open scanner. */
RKPRINTER_API int RkTurnOnEnhancedScanner(void);
RKPRINTER_API int RkTurnOffEnhancedScanner(void);
RKPRINTER_API int RkClearScanCache(void);
RKPRINTER_API int RkCloseSerialScanner(void);
/* The next reading, waited for up to wait_ms (the simulated scanner answers at once); null when
 * nothing was scanned (scanner closed, light off, no document). */
RKPRINTER_API const char16_t* GetScannerData(int wait_ms);

#ifdef __cplusplus
}
#endif

#endif
