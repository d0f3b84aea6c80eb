#include "command_table.h"

namespace readersim {

Handler by_pm(std::map<std::uint8_t, Handler> handlers) {
  return [table = std::move(handlers)](const Request& request, ReaderState& state) {
    auto it = table.find(request.pm);
    return it == table.end() ? Reply::fail(error::kBadParameter) : it->second(request, state);
  };
}

void CommandTable::add(std::uint8_t cm, Handler handler, bool takes_data) {
  entries_[cm] = Entry{std::move(handler), takes_data};
}

void CommandTable::add_silent(std::uint8_t cm, std::uint8_t pm) {
  silent_.emplace(cm, pm);
}

bool CommandTable::silent(const Request& request) const {
  return request.data.empty() && silent_.contains({request.cm, request.pm});
}

Reply CommandTable::execute(const Request& request, ReaderState& state) const {
  auto it = entries_.find(request.cm);
  if (it == entries_.end()) return Reply::fail(error::kUnknownCommand);
  if (!request.data.empty() && !it->second.takes_data) return Reply::fail(error::kBadData);
  return it->second.handler(request, state);
}

CommandTable reader_commands() {
  CommandTable table;
  add_transport_commands(table);
  add_magnetic_commands(table);
  add_device_commands(table);
  add_cpu_card_commands(table);
  add_memory_card_commands(table);
  add_mifare_commands(table);
  add_iso15693_commands(table);
  return table;
}

}  // namespace readersim
