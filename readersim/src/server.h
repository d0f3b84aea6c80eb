// The thread that serves the reader side of the line: takes request frames, answers ACK or NAK,
// waits for ENQ, sends the reply, answers EOT with EOT.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "fault_plan.h"
#include "pty_line.h"
#include "reader_model.h"
#include "recorder.h"

namespace readersim {

class Server {
 public:
  Server(const ReaderOptions& options, ReaderModel& model, FaultPlan& faults, Recorder& recorder);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  std::string slave_path() const { return line_.slave_path(); }
  const std::string& link() const { return line_.link(); }
  void wake();  // the reader's state changed: a held entry looks again
  void disconnect();
  void reconnect();
  void set_pacing(unsigned baud) { pace_baud_ = baud; }

 private:
  using Clock = std::chrono::steady_clock;
  enum class Event { Byte, Timeout, Wake };
  struct Input {
    Event event;
    std::uint8_t byte = 0;
    Clock::time_point at{};
  };
  struct Stopped {};
  struct LineDown {};  // the line was closed or replaced under the conversation

  void run();
  void serve_one();
  void converse(Clock::time_point start);
  std::optional<Request> receive_frame(Clock::time_point start);
  bool read_into(Bytes& frame, std::size_t count);
  bool await_enq(Clock::time_point start, std::uint8_t cm);
  std::optional<Reply> hold_entry(const Request& request, Clock::time_point start);
  void send_reply(const Bytes& bytes, const FaultSet& set, Clock::time_point start,
                  std::uint8_t cm);

  Input next(std::optional<Clock::time_point> deadline);
  void pause(Clock::duration duration);
  void pause_until(Clock::time_point deadline);
  Clock::time_point send(std::span<const std::uint8_t> bytes);  // paced when pacing is on
  void write_out(std::span<const std::uint8_t> bytes);
  void finish(std::span<const std::uint8_t> bytes, Clock::time_point start, std::uint8_t cm);
  void record(Clock::time_point start, std::uint8_t cm);
  void post(std::function<void()> task);
  void take_wake();  // drains the wake-up, runs posted tasks
  void run_tasks();

  ReaderModel& model_;
  FaultPlan& faults_;
  Recorder& recorder_;
  PtyLine line_;
  int wake_fd_ = -1;
  std::atomic<unsigned> pace_baud_;
  std::mutex tasks_mutex_;
  std::vector<std::packaged_task<void()>> tasks_;
  // Touched by the serving thread only.
  std::deque<Input> pending_;
  bool stopping_ = false;
  bool interrupted_ = false;
  std::thread thread_;
};

}  // namespace readersim
