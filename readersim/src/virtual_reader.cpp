#include "readersim/virtual_reader.h"

#include "fault_plan.h"
#include "magstripe.h"
#include "reader_model.h"
#include "recorder.h"
#include "server.h"

namespace readersim {

struct VirtualReader::Parts {
  explicit Parts(const ReaderOptions& options)
      : recorder(options.record), server(options, model, faults, recorder) {}

  ReaderModel model;
  FaultPlan faults;
  Recorder recorder;
  Server server;  // last: stops before the rest goes
};

VirtualReader::VirtualReader(ReaderOptions options) : parts_(std::make_unique<Parts>(options)) {}

VirtualReader::~VirtualReader() = default;

std::string VirtualReader::slave_path() const {
  return parts_->server.slave_path();
}

std::string VirtualReader::link() const {
  return parts_->server.link();
}

void VirtualReader::insert_card(Card card) {
  update_state([&](ReaderState& s) {
    s.card = HeldCard{std::move(card), Position::Gate};
    s.contact_power = false;
  });
}

bool VirtualReader::remove_card() {
  bool taken = false;
  update_state([&](ReaderState& s) {
    taken = s.position() == Position::Gate;
    if (taken) s.card.reset();
  });
  return taken;
}

void VirtualReader::place_card(Card card, Position where) {
  update_state([&](ReaderState& s) {
    s.contact_power = false;
    if (where == Position::Empty) return s.card.reset();
    if (where != Position::Gate) s.magnetic = read_stripe(card);
    s.card = HeldCard{std::move(card), where};
  });
}

ReaderState VirtualReader::state() const {
  return parts_->model.snapshot();
}

void VirtualReader::update_state(const std::function<void(ReaderState&)>& change) {
  parts_->model.update(change);
  parts_->server.wake();
}

bool VirtualReader::wait_for_entry(std::chrono::milliseconds timeout) const {
  return parts_->model.wait_for_entry(timeout);
}

void VirtualReader::inject(Fault fault, int count, std::chrono::milliseconds delay) {
  parts_->faults.inject(fault, count, delay);
}

void VirtualReader::clear_faults() {
  parts_->faults.clear();
}

void VirtualReader::set_next_raw_reply(Bytes bytes) {
  parts_->faults.set_raw(std::move(bytes));
}

void VirtualReader::set_next_reply(std::uint8_t cm, Bytes data) {
  parts_->faults.set_reply(cm, Reply::ok(std::move(data)));
}

void VirtualReader::set_next_error(std::uint8_t cm, std::uint8_t error_byte) {
  parts_->faults.set_reply(cm, Reply::fail(error_byte));
}

void VirtualReader::disconnect() {
  parts_->server.disconnect();
}

void VirtualReader::reconnect() {
  parts_->server.reconnect();
}

void VirtualReader::set_pacing(unsigned baud) {
  parts_->server.set_pacing(baud);
}

Bytes VirtualReader::received() const {
  return parts_->recorder.received();
}

Bytes VirtualReader::sent() const {
  return parts_->recorder.sent();
}

bool VirtualReader::wait_received(std::size_t count, std::chrono::milliseconds timeout) const {
  return parts_->recorder.wait_received(count, timeout);
}

std::vector<Request> VirtualReader::requests() const {
  return parts_->recorder.requests();
}

std::size_t VirtualReader::request_count() const {
  return parts_->recorder.request_count();
}

std::vector<Conversation> VirtualReader::conversations() const {
  return parts_->recorder.conversations();
}

unsigned VirtualReader::protocol_errors() const {
  return parts_->recorder.protocol_errors();
}

void VirtualReader::clear_recording() {
  parts_->recorder.clear();
}

}  // namespace readersim
