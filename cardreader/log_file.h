// The library's log file "D:\Holm\Vesk.log", (re)opened by each Tarn_CommOpen.
#pragma once

namespace tarn {

// Closes the current log stream, creates the folder "D:\Holm" when drive D exists, and opens the
// file for appending; without drive D or when the file cannot be opened there is no stream.
void reopen_log_file();

// Appends one line "date time   name     LEVEL      text" CR LF to the log stream and flushes it,
// so that the last lines survive a process that dies. Level 0 DEBUG, 1 WARN, 2 ERROR, any other
// UNKONW. Nothing is written without a stream; a long name or text is written whole.
void write_log_line(const char* name, int level, const char* text);

}  // namespace tarn
