// The library's log file "D:\Holm\Vesk.log", (re)opened by each Tarn_CommOpen.
#pragma once

namespace tarn {

// Closes the current log stream, creates the folder "D:\Holm" when drive D exists, and opens the
// file for appending; without drive D or when the file cannot be opened there is no stream.
void reopen_log_file();

}  // namespace tarn
