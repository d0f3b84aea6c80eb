// The call log: one line per library call, in the order of the calls, with its arguments and its
// result, so that a user can follow what the devices were asked to do and a test can check it:
//
//   RkOpenPrinter("RKP001") = 1
//   RkPrintDataA("Receipt\n", 1) = 1
//   GetScannerData(4000) = null
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rkprinter {

// A string argument or result as it appears in the log: in double quotes, with \\, \", \n, \r,
// \t and \xHH for the other control bytes; "null" for a null pointer. Wide text is shown as UTF-8.
std::string quoted(const char* text);
std::string quoted(const char16_t* text);

// Appends "<call> = <result>" to the log of the current folder.
void record_call(std::string_view call, std::string_view result);
void record_call(std::string_view call, int result);

// The log's lines, oldest first.
std::vector<std::string> recorded_calls();

}  // namespace rkprinter
