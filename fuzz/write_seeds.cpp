// Writes the seed corpora of fuzz_reply and fuzz_kernel from real exchanges:
//   fuzz_reply   every export run against the virtual reader holding each shipped card file (at
//                the contacts and in the field, with a few argument blocks); for each export the
//                run that went furthest is kept, the reader's answers turned into its script.
//   fuzz_kernel  every kernel operation (and field 55 followed by the issuer's script) run
//                against the PBOC test card, its answers written out byte for byte.
// Usage: fuzz_seeds <corpus folder>   (normally fuzz/corpus; the files are replaced)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "Ferro.h"
#include "Tarn_DLL.h"
#include "export_table.h"
#include "kernel_script.h"
#include "port_table.h"
#include "readersim/virtual_reader.h"
#include "recording_port.h"
#include "scripted_port.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Exchange = fuzz::RecordingPort::Exchange;

void put_number(Bytes& out, std::uint32_t value, std::size_t width) {
  for (std::size_t i = width; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void put_run(Bytes& out, std::span<const std::uint8_t> bytes) {
  put_number(out, static_cast<std::uint32_t>(bytes.size()), 2);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void write_file(const fs::path& file, const Bytes& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// ---- fuzz_reply ----

// A reply frame with the request's CM and PM echoes, a known status and a right BCC: written as
// its reply data, to be framed again by the scripted port.
bool framed(const Exchange& exchange, std::uint8_t& status) {
  const Bytes& r = exchange.reply;
  if (r.size() < 8 || r[0] != 0x02) return false;
  const std::size_t text = static_cast<std::size_t>(r[1]) << 8 | r[2];
  std::uint8_t bcc = 0;
  for (std::size_t i = 0; i + 1 < r.size(); ++i) bcc ^= r[i];
  status = r[3];
  return text + 5 == r.size() && text >= 3 && bcc == r.back() && r[r.size() - 2] == 0x03 &&
         (status == 'P' || status == 'N') && r[4] == exchange.frame[3] && r[5] == exchange.frame[4];
}

void put_answer(Bytes& script, const Exchange& exchange) {
  if (exchange.frame.empty()) {  // after an EOT
    script.push_back(0);
    return put_run(script, exchange.reply);
  }
  const Bytes& ack = exchange.acknowledgement;
  std::uint8_t flags = ack.empty()      ? fuzz::kAnswerSilence
                       : ack[0] == 0x06 ? fuzz::kAnswerAck
                       : ack[0] == 0x15 ? fuzz::kAnswerNak
                                        : fuzz::kAnswerStray;
  std::uint8_t status = 0;
  if (framed(exchange, status)) {
    if (status == 'N') flags |= fuzz::kNegative;
    script.push_back(flags);
    return put_run(script, std::span(exchange.reply).subspan(6, exchange.reply.size() - 8));
  }
  script.push_back(flags | fuzz::kRaw);
  put_run(script, exchange.reply);
}

// How far a run went: success first, then positive replies, then bytes received.
using Score = std::tuple<bool, int, std::size_t>;

Score score(int result, const std::vector<Exchange>& exchanges) {
  int positive = 0;
  std::size_t bytes = 0;
  for (const Exchange& e : exchanges) {
    positive += e.reply.size() > 3 && e.reply[3] == 'P';
    bytes += e.reply.size();
  }
  return {result == TARN_OK, positive, bytes};
}

struct Best {
  Score score{false, -1, 0};
  Bytes seed;
};

// Argument blocks tried for every export: all arguments 1, 4, 16, "0" or "1", or a first
// argument 0 (any tag, no addressing) and the rest 16. No block has a card-entry wait of 0,
// which would wait for a card without limit.
std::vector<Bytes> argument_blocks() {
  std::vector<Bytes> blocks;
  for (const int v : {1, 4, 16, int{'0'}, int{'1'}, -1}) {
    Bytes block;
    for (std::size_t i = 0; i < fuzz::ExportCall::kArguments; ++i) {
      put_number(block, static_cast<std::uint32_t>(v < 0 ? (i == 0 ? 0 : 16) : v), 4);
    }
    blocks.push_back(block);
  }
  return blocks;
}

class ReplyCapture {
 public:
  ReplyCapture() : reader_(), best_(fuzz::export_table().size()) { open(); }
  ~ReplyCapture() { Tarn_CommClose(handle_); }

  void run_all(const readersim::Card& card, readersim::Position where) {
    const auto table = fuzz::export_table();
    for (std::size_t row = 0; row < table.size(); ++row) {
      for (const Bytes& arguments : argument_blocks()) run(row, arguments, card, where);
    }
  }

  void write(const fs::path& folder) const {
    const auto table = fuzz::export_table();
    for (std::size_t row = 0; row < table.size(); ++row) {
      write_file(folder / table[row].name, best_[row].seed);
    }
  }

 private:
  void open() {
    auto port = tarn::platform::open_serial_port(reader_.slave_path(), "9600,n,8,1");
    auto recording = std::make_unique<fuzz::RecordingPort>(std::move(port));
    recording_ = recording.get();
    handle_ = tarn::add_port(std::move(recording));
  }

  void run(std::size_t row, const Bytes& arguments, const readersim::Card& card,
           readersim::Position where) {
    reader_.place_card(card, where);
    fuzz::ExportCall call(handle_, arguments);
    const int result = fuzz::export_table()[row].call(call);
    const auto exchanges = recording_->take_exchanges();
    if (!tarn::find_port(handle_)) open();  // the row closed the port
    const Score s = score(result, exchanges);
    if (s <= best_[row].score) return;
    Bytes seed;
    put_number(seed, static_cast<std::uint32_t>(row), 2);
    seed.insert(seed.end(), arguments.begin(), arguments.end());
    for (const Exchange& e : exchanges) put_answer(seed, e);
    best_[row] = {s, seed};
  }

  readersim::VirtualReader reader_;
  fuzz::RecordingPort* recording_ = nullptr;
  void* handle_ = nullptr;
  std::vector<Best> best_;
};

void write_reply_seeds(const fs::path& folder) {
  ReplyCapture capture;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(readersim::cards_dir())) {
    if (entry.path().extension() == ".json") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    const readersim::Card card = readersim::load_card(file);
    for (const auto where : {readersim::Position::IcContacts, readersim::Position::RfField}) {
      std::printf("fuzz_reply: %s\n", file.filename().c_str());
      capture.run_all(card, where);
    }
  }
  capture.write(folder);
}

// ---- fuzz_kernel ----

void put_card_answer(Bytes& script, const ferro_test::Answer& answer, std::size_t largest) {
  std::uint8_t flags = 0;
  if (answer.result != 0) flags |= fuzz::kernel::kResult;
  if (answer.reported_length) flags |= fuzz::kernel::kReportedLength;
  script.push_back(flags);
  if (answer.result != 0) script.push_back(static_cast<std::uint8_t>(answer.result));
  if (answer.reported_length) {
    put_number(script, static_cast<std::uint32_t>(*answer.reported_length), 2);
  }
  put_run(script, std::span(answer.reply).first(std::min(answer.reply.size(), largest)));
}

// The issuer's answer of the kernel tests: script template 72 with 9F18 and 86, then 91.
const std::string kIssuerData =
    "720F9F180400000001"
    "860684DA00000100"
    "910AA1A2A3A4A5A6A7A83030";

void write_kernel_seed(const fs::path& folder, std::size_t first, std::size_t second) {
  const auto all = fuzz::kernel::operations();
  fuzz::kernel::Transaction transaction{0, {0, 0, 0, 0, 1, 0}, kIssuerData};
  ferro_test::TestCard reference;
  ferro_test::pboc_card::load(reference);
  std::vector<ferro_test::Answer> answers;
  ferro_test::TestCard card;
  card.handler = [&](const ferro_test::Bytes& command) {
    answers.push_back(reference.respond(command));
    return std::optional(answers.back());
  };
  card.install();
  fuzz::ExportCall call(nullptr, {});
  all[first].run(call, transaction);
  if (second < all.size()) all[second].run(call, transaction);
  for (const char* name : {"pboc_writelog", "pboc_poweron", "pboc_poweroff", "pboc_apdu"}) {
    pboc_setcallback(name, nullptr);  // the card goes out of scope
  }

  Bytes seed{static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second),
             static_cast<std::uint8_t>(transaction.type)};
  seed.insert(seed.end(), transaction.amount.begin(), transaction.amount.end());
  put_run(seed,
          std::span(reinterpret_cast<const std::uint8_t*>(kIssuerData.data()), kIssuerData.size()));
  put_card_answer(seed, {reference.atr}, fuzz::kernel::kMaxAtr);
  for (const ferro_test::Answer& answer : answers) {
    put_card_answer(seed, answer, fuzz::kernel::kMaxReply);
  }
  std::string name = all[first].name;
  if (second < all.size()) name += std::string("+") + all[second].name;
  write_file(folder / name, seed);
}

void write_kernel_seeds(const fs::path& folder) {
  const auto all = fuzz::kernel::operations();
  for (std::size_t op = 0; op < all.size(); ++op) write_kernel_seed(folder, op, all.size());
  const auto named = [&](std::string_view name) {
    return static_cast<std::size_t>(
        std::find_if(all.begin(), all.end(), [&](const auto& o) { return o.name == name; }) -
        all.begin());
  };
  write_kernel_seed(folder, named("pboc_get55data"), named("pboc_arqcexeicscript"));
}

void replace_folder(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const fs::path corpus = argv[1];
  replace_folder(corpus / "fuzz_kernel");
  write_kernel_seeds(corpus / "fuzz_kernel");
  replace_folder(corpus / "fuzz_reply");
  write_reply_seeds(corpus / "fuzz_reply");
  return 0;
}
