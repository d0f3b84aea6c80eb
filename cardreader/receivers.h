// The two reply receivers: the ordinary one and the card-entry one with its EOT cancel.
#pragma once

#include "reply.h"
#include "serial/serial_port.h"

namespace tarn {

enum class HeaderWait { Normal, Short };

// ACK, ENQ, then the reply frame into `reply`. Returns 0 or a result code; a reply frame that
// the buffer cannot hold, or whose text is shorter than status and echoes, is drained and -1.
int receive_reply(platform::SerialPort& port, Reply& reply, HeaderWait wait);

// As above, but the reply header is awaited `wait_ms` (0: no limit); when that passes the entry
// is cancelled with EOT. Returns true only when a reply frame arrived.
bool receive_card_entry(platform::SerialPort& port, Reply& reply, unsigned wait_ms);

}  // namespace tarn
