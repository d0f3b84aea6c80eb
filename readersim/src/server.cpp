#include "server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <iostream>
#include <system_error>

namespace readersim {
namespace {

// The longest request text the reader takes; longer frames are refused.
constexpr std::size_t kMaxRequestText = 2048;
// Inside a frame, a longer gap between two bytes makes the frame malformed.
constexpr auto kByteGap = std::chrono::milliseconds(500);
// A refused frame's remains are drained until the line has been quiet this long.
constexpr auto kQuiet = std::chrono::milliseconds(20);
// Before a disconnect fault closes the line, the library gets this long to read what was sent.
constexpr auto kDrainLimit = std::chrono::seconds(1);
constexpr auto kDrainStep = std::chrono::milliseconds(10);

[[noreturn]] void throw_errno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

timespec to_timespec(std::chrono::nanoseconds d) {
  auto s = std::chrono::duration_cast<std::chrono::seconds>(d);
  return timespec{static_cast<time_t>(s.count()), static_cast<long>((d - s).count())};
}

// Ten bit times: start bit, eight data bits, stop bit.
std::chrono::nanoseconds byte_time(unsigned baud) {
  return std::chrono::nanoseconds(10'000'000'000LL / baud);
}

Bytes encode(const Reply& reply, const Request& request) {
  if (reply.kind == Reply::Kind::Negative) {
    Bytes data{reply.error};
    data.insert(data.end(), reply.data.begin(), reply.data.end());
    return encode_reply(kNegative, request.cm, request.pm, data);
  }
  return encode_reply(kPositive, request.cm, request.pm, reply.data);
}

// Marks the entry as held for as long as the reader waits for a card.
class EntryHold {
 public:
  explicit EntryHold(ReaderModel& model) : model_(model) { model_.set_entry_pending(true); }
  ~EntryHold() { model_.set_entry_pending(false); }
  EntryHold(const EntryHold&) = delete;
  EntryHold& operator=(const EntryHold&) = delete;

 private:
  ReaderModel& model_;
};

}  // namespace

Server::Server(const ReaderOptions& options, ReaderModel& model, FaultPlan& faults,
               Recorder& recorder)
    : model_(model),
      faults_(faults),
      recorder_(recorder),
      line_(options.link),
      pace_baud_(options.pace_baud) {
  wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_fd_ < 0) throw_errno("eventfd");
  thread_ = std::thread([this] { run(); });
}

Server::~Server() {
  post([this] { stopping_ = true; });
  thread_.join();
  ::close(wake_fd_);
}

void Server::wake() {
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_fd_, &one, sizeof one);
}

void Server::disconnect() {
  post([this] {
    interrupted_ = true;
    line_.hang_up();
  });
}

void Server::reconnect() {
  post([this] {
    interrupted_ = true;
    line_.open();
  });
}

void Server::post(std::function<void()> task) {
  std::packaged_task<void()> packaged(std::move(task));
  std::future<void> done = packaged.get_future();
  {
    std::lock_guard lock(tasks_mutex_);
    tasks_.push_back(std::move(packaged));
  }
  wake();
  done.get();
}

void Server::take_wake() {
  std::uint64_t count;
  [[maybe_unused]] ssize_t n = ::read(wake_fd_, &count, sizeof count);
  run_tasks();
}

void Server::run_tasks() {
  std::vector<std::packaged_task<void()>> tasks;
  {
    std::lock_guard lock(tasks_mutex_);
    tasks.swap(tasks_);
  }
  for (auto& task : tasks) task();
  if (stopping_) throw Stopped{};
  if (std::exchange(interrupted_, false)) {
    pending_.clear();
    throw LineDown{};
  }
}

void Server::run() {
  // At 115200 baud a paced byte is due every 87 us; the default timer slack (50 us) would defer
  // most of those wake-ups by more than half a byte.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  for (;;) {
    try {
      serve_one();
    } catch (const Stopped&) {
      return;
    } catch (const LineDown&) {
      // The conversation ended with the line; serve the next one.
    } catch (const std::exception& e) {
      std::cerr << "readersim: " << e.what() << '\n';
    }
  }
}

void Server::serve_one() {
  Input in = next(std::nullopt);
  if (in.event != Event::Byte) return;
  if (in.byte == kStx) {
    converse(in.at);
  } else if (in.byte == kEot) {
    send(std::array{kEot});
  } else {
    recorder_.add_protocol_error();
  }
}

void Server::converse(Clock::time_point start) {
  std::optional<Request> request = receive_frame(start);
  if (!request) return;
  recorder_.add_request(*request);
  // On a paced line the request's bytes take their wire time to arrive, as the reply's do.
  if (const unsigned baud = pace_baud_) {
    const auto arrived = start + byte_time(baud) * (request->data.size() + 7);
    pause_until(arrived);
  }
  const std::uint8_t cm = request->cm;
  if (model_.silent(*request)) return record(start, cm);
  FaultSet set = faults_.take(cm);
  if (set.has(Fault::Silence)) return record(start, cm);
  if (set.has(Fault::Nak)) return finish(std::array{kNak}, start, cm);
  if (set.has(Fault::Garbage)) return finish(std::array{kGarbageByte}, start, cm);

  Reply reply = set.raw ? Reply::ok() : set.reply ? *set.reply : model_.execute(*request);
  send(std::array{kAck});
  if (!await_enq(start, cm)) return;
  if (set.has(Fault::AckThenSilence)) return record(start, cm);
  if (reply.kind == Reply::Kind::Hold) {
    std::optional<Reply> taken = hold_entry(*request, start);
    if (!taken) return;
    reply = std::move(*taken);
  }
  send_reply(set.raw ? *set.raw : shape_reply(encode(reply, *request), set), set, start, cm);
}

void Server::send_reply(const Bytes& bytes, const FaultSet& set, Clock::time_point start,
                        std::uint8_t cm) {
  if (set.has(Fault::SlowReply)) pause(set.delay);
  if (!set.has(Fault::Disconnect)) return finish(bytes, start, cm);
  send(std::span(bytes).first(bytes.size() / 2));
  record(start, cm);
  // A hang-up drops input the slave has not read: let the library take the half reply first.
  const Clock::time_point give_up = Clock::now() + kDrainLimit;
  do {
    pause(kDrainStep);
  } while (line_.unread() > 0 && Clock::now() < give_up);
  line_.hang_up();
}

std::optional<Request> Server::receive_frame(Clock::time_point start) {
  Bytes frame{kStx};
  bool whole = read_into(frame, 2);
  const std::size_t text = whole ? (frame[1] << 8 | frame[2]) : 0;
  whole = whole && text >= 2 && text <= kMaxRequestText && read_into(frame, text + 2);
  if (whole && frame[text + 3] == kEtx && bcc(std::span(frame).first(text + 4)) == frame.back()) {
    return Request{frame[3], frame[4], Bytes(frame.begin() + 5, frame.begin() + 3 + text)};
  }
  // Refused: drop what is left of it, then NAK.
  for (Clock::time_point quiet = Clock::now() + kQuiet;;) {
    Input in = next(quiet);
    if (in.event == Event::Timeout) break;
    if (in.event == Event::Byte) quiet = Clock::now() + kQuiet;
  }
  recorder_.add_protocol_error();
  finish(std::array{kNak}, start, 0);
  return std::nullopt;
}

bool Server::read_into(Bytes& frame, std::size_t count) {
  for (; count > 0; --count) {
    const Clock::time_point deadline = Clock::now() + kByteGap;
    Input in = next(deadline);
    while (in.event == Event::Wake) in = next(deadline);
    if (in.event == Event::Timeout) return false;
    frame.push_back(in.byte);
  }
  return true;
}

bool Server::await_enq(Clock::time_point start, std::uint8_t cm) {
  for (;;) {
    Input in = next(std::nullopt);
    if (in.event != Event::Byte || in.byte == kEnq) {
      if (in.event != Event::Byte) continue;
      // On a paced line the ENQ, like every request byte, takes its wire time to arrive.
      if (const unsigned baud = pace_baud_) pause_until(in.at + byte_time(baud));
      return true;
    }
    if (in.byte == kEot) {
      finish(std::array{kEot}, start, cm);
      return false;
    }
    recorder_.add_protocol_error();
    if (in.byte == kStx) {
      // Another frame instead of ENQ: this request is dropped, the new one served.
      pending_.push_front(in);
      record(start, cm);
      return false;
    }
  }
}

std::optional<Reply> Server::hold_entry(const Request& request, Clock::time_point start) {
  EntryHold hold(model_);
  for (;;) {
    Reply reply = model_.execute(request);
    if (reply.kind != Reply::Kind::Hold) return reply;
    Input in = next(std::nullopt);
    if (in.event != Event::Byte) continue;
    if (in.byte == kEot) {
      finish(std::array{kEot}, start, request.cm);
      return std::nullopt;
    }
    recorder_.add_protocol_error();
    if (in.byte == kStx) {
      pending_.push_front(in);
      record(start, request.cm);
      return std::nullopt;
    }
  }
}

Server::Input Server::next(std::optional<Clock::time_point> deadline) {
  for (;;) {
    if (!pending_.empty()) {
      Input in = pending_.front();
      pending_.pop_front();
      return in;
    }
    std::array<pollfd, 2> fds{{{wake_fd_, POLLIN, 0}, {line_.master(), POLLIN, 0}}};
    std::optional<timespec> wait;
    if (deadline) wait = to_timespec(std::max(*deadline - Clock::now(), Clock::duration::zero()));
    int ready = ::ppoll(fds.data(), line_.is_open() ? 2 : 1, wait ? &*wait : nullptr, nullptr);
    if (ready < 0 && errno != EINTR) throw_errno("ppoll");
    if (ready == 0) return Input{Event::Timeout};
    if (ready < 0) continue;
    if (fds[0].revents) {
      take_wake();
      return Input{Event::Wake};
    }
    std::array<std::uint8_t, 256> chunk;
    std::size_t n = line_.read_some(chunk);
    const Clock::time_point at = Clock::now();
    recorder_.add_received(std::span(chunk).first(n));
    for (std::size_t i = 0; i < n; ++i) pending_.push_back(Input{Event::Byte, chunk[i], at});
  }
}

// Waits without taking bytes from the line; tasks (stop, disconnect) still run.
void Server::pause(Clock::duration duration) {
  pause_until(Clock::now() + duration);
}

void Server::pause_until(Clock::time_point deadline) {
  for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
    pollfd fd{wake_fd_, POLLIN, 0};
    timespec wait = to_timespec(deadline - now);
    if (::ppoll(&fd, 1, &wait, nullptr) > 0) take_wake();
  }
}

// Paced bytes leave on a fixed schedule, one byte time apart, as from a transmitter that is kept
// busy: a late wake-up delays one byte, not every byte after it. Returns when the last byte was
// due.
Server::Clock::time_point Server::send(std::span<const std::uint8_t> bytes) {
  Clock::time_point due = Clock::now();
  const unsigned baud = pace_baud_;
  if (!baud) {
    write_out(bytes);
    return due;
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    due += byte_time(baud);
    pause_until(due);
    write_out(bytes.subspan(i, 1));
  }
  return due;
}

// Bytes are recorded as sent before they go out, so that a test which has read them finds them
// in the recording; a line closed in the middle of a blocked write leaves the rest recorded.
void Server::write_out(std::span<const std::uint8_t> bytes) {
  if (line_.is_open()) recorder_.add_sent(bytes);
  while (!bytes.empty() && line_.is_open()) {
    std::size_t n = line_.write_some(bytes);
    bytes = bytes.subspan(n);
    if (n > 0) continue;
    std::array<pollfd, 2> fds{{{wake_fd_, POLLIN, 0}, {line_.master(), POLLOUT, 0}}};
    if (::poll(fds.data(), fds.size(), -1) > 0 && fds[0].revents) take_wake();
  }
}

// Sends the last answer of a conversation; it is recorded as ended just before its last byte
// goes out, so that nothing the library does after reading it can come before that end.
void Server::finish(std::span<const std::uint8_t> bytes, Clock::time_point start, std::uint8_t cm) {
  if (bytes.empty()) return record(start, cm);
  const Clock::time_point sent = send(bytes.first(bytes.size() - 1));
  if (unsigned baud = pace_baud_) pause_until(sent + byte_time(baud));
  record(start, cm);
  write_out(bytes.last(1));
}

void Server::record(Clock::time_point start, std::uint8_t cm) {
  recorder_.add_conversation(Conversation{start, Clock::now(), cm});
}

}  // namespace readersim
