// The ISO 7816-4 card engine of the virtual chips: SELECT, READ RECORD, GET RESPONSE and fixed
// answers, over a file system of the MF, DFs selected by name and EFs of records.
#include <algorithm>
#include <optional>

#include "readersim/chip.h"
#include "status_words.h"

namespace readersim {
namespace {

using namespace status;

constexpr std::uint8_t kMoreData = 0x61;
constexpr std::uint8_t kExactLength = 0x6C;
constexpr std::size_t kMaxData = 256;

constexpr std::uint8_t kSelect = 0xA4;
constexpr std::uint8_t kReadRecord = 0xB2;
constexpr std::uint8_t kGetResponse = 0xC0;
constexpr std::uint16_t kMasterFile = 0x3F00;

// A short APDU taken apart (cases 1 to 4).
struct Apdu {
  std::uint8_t cla, ins, p1, p2;
  std::span<const std::uint8_t> data;
  std::optional<std::size_t> le;  // 00 stands for 256
};

std::optional<Apdu> parse(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) return std::nullopt;
  Apdu apdu{bytes[0], bytes[1], bytes[2], bytes[3], {}, std::nullopt};
  if (bytes.size() == 4) return apdu;
  const std::size_t p3 = bytes[4];
  if (bytes.size() == 5) {
    apdu.le = p3 == 0 ? kMaxData : p3;
    return apdu;
  }
  if (p3 == 0 || bytes.size() < 5 + p3 || bytes.size() > 6 + p3) return std::nullopt;
  apdu.data = bytes.subspan(5, p3);
  if (bytes.size() == 6 + p3) apdu.le = bytes.back() == 0 ? kMaxData : bytes.back();
  return apdu;
}

Bytes status(Status sw) {
  return {static_cast<std::uint8_t>(sw >> 8), static_cast<std::uint8_t>(sw)};
}

Bytes with_status(Bytes data, Status sw) {
  const Bytes tail = status(sw);
  data.insert(data.end(), tail.begin(), tail.end());
  return data;
}

std::uint8_t length_byte(std::size_t n) {
  return static_cast<std::uint8_t>(n >= kMaxData ? 0 : n);
}

class Engine {
 public:
  Engine(Chip& chip, ChipSession& session) : chip_(chip), session_(session) {}

  Bytes answer(std::span<const std::uint8_t> bytes) {
    const auto apdu = parse(bytes);
    if (!apdu) return status(kWrongLength);
    if (apdu->ins != kGetResponse) session_.pending.clear();
    if (auto paid = payment_answer(*apdu)) return respond(std::move(paid->data), paid->status);
    if (const FixedAnswer* fixed = fixed_answer(bytes)) return respond_fixed(fixed->response);
    if (is_standard(apdu->ins) && (apdu->cla & 0xFC) != 0) return status(kClaNotSupported);
    switch (apdu->ins) {
      case kSelect:
        return select(*apdu);
      case kReadRecord:
        return read_record(*apdu);
      case kGetResponse:
        return get_response(*apdu);
      default:
        return status(answered_elsewhere(apdu->ins) ? kConditionsNotSatisfied : kInsNotSupported);
    }
  }

 private:
  static bool is_standard(std::uint8_t ins) {
    return ins == kSelect || ins == kReadRecord || ins == kGetResponse;
  }

  // The payment application of the current DF answers its own commands first.
  std::optional<PaymentAnswer> payment_answer(const Apdu& apdu) {
    if (!session_.df) return std::nullopt;
    DedicatedFile& df = chip_.dfs[*session_.df];
    if (!df.payment) return std::nullopt;
    return answer_payment(*df.payment, session_.payment, df.files,
                          {apdu.cla, apdu.ins, apdu.p1, apdu.p2, apdu.data});
  }

  const std::vector<ElementaryFile>& current_files() const {
    return session_.df ? chip_.dfs[*session_.df].files : chip_.files;
  }

  const FixedAnswer* fixed_answer(std::span<const std::uint8_t> bytes) const {
    for (const FixedAnswer& a : session_.df ? chip_.dfs[*session_.df].answers : chip_.answers)
      if (bytes.size() >= a.prefix.size() &&
          std::equal(a.prefix.begin(), a.prefix.end(), bytes.begin()))
        return &a;
    return nullptr;
  }

  // An instruction that another DF answers: the card knows it, but not here.
  bool answered_elsewhere(std::uint8_t ins) const {
    const auto answers_ins = [ins](const std::vector<FixedAnswer>& answers) {
      return std::any_of(answers.begin(), answers.end(), [ins](const FixedAnswer& a) {
        return a.prefix.size() > 1 && a.prefix[1] == ins;
      });
    };
    return answers_ins(chip_.answers) ||
           std::any_of(chip_.dfs.begin(), chip_.dfs.end(),
                       [&](const DedicatedFile& df) { return answers_ins(df.answers); });
  }

  // Data with 90 00; on a card that answers with 61 xx the data waits for GET RESPONSE.
  Bytes respond(Bytes data, Status sw = kOk) {
    if (data.empty() || sw != kOk || !chip_.get_response) return with_status(std::move(data), sw);
    session_.pending = std::move(data);
    return {kMoreData, length_byte(session_.pending.size())};
  }
  // A whole answer as a fixed answer gives it: data, then SW1 SW2.
  Bytes respond_fixed(const Bytes& answer) {
    const std::size_t n = answer.size() - 2;
    return respond(Bytes(answer.begin(), answer.begin() + n),
                   static_cast<Status>(answer[n] << 8 | answer[n + 1]));
  }

  // Data for a command with Le: all of it for no Le or Le 00 (up to 256 bytes), else exactly Le.
  Bytes respond_within_le(Bytes data, const Apdu& apdu) {
    if (data.size() > kMaxData) return status(kWrongLength);
    if (apdu.le && *apdu.le != kMaxData && *apdu.le != data.size())
      return {kExactLength, length_byte(data.size())};
    return respond(std::move(data));
  }

  Bytes select(const Apdu& apdu) {
    if (apdu.p1 == 0x04) return select_by_name(apdu);
    if (apdu.p1 != 0x00 && apdu.p1 != 0x02) return status(kWrongP1P2);
    if (apdu.data.size() != 2) return status(kWrongLength);
    const std::uint16_t id = static_cast<std::uint16_t>(apdu.data[0] << 8 | apdu.data[1]);
    if (apdu.p1 == 0x00 && id == kMasterFile) {
      session_.df.reset();
      session_.ef.reset();
      return status(kOk);
    }
    const auto& files = current_files();
    const auto it = std::find_if(files.begin(), files.end(),
                                 [id](const ElementaryFile& f) { return f.id == id; });
    if (it == files.end()) return status(kFileNotFound);
    session_.ef = static_cast<std::size_t>(it - files.begin());
    return status(kOk);
  }

  // The DF whose name is the given name or starts with it.
  Bytes select_by_name(const Apdu& apdu) {
    if (apdu.p2 != 0x00 && apdu.p2 != 0x0C) return status(kWrongP1P2);
    const auto it = std::find_if(chip_.dfs.begin(), chip_.dfs.end(), [&](const DedicatedFile& df) {
      return !apdu.data.empty() && df.name.size() >= apdu.data.size() &&
             std::equal(apdu.data.begin(), apdu.data.end(), df.name.begin());
    });
    if (it == chip_.dfs.end()) return status(kFileNotFound);
    session_.df = static_cast<std::size_t>(it - chip_.dfs.begin());
    session_.ef.reset();
    return apdu.p2 == 0x0C ? status(kOk) : respond(it->fci);
  }

  // READ RECORD: SFI in P2 bits 8-4 (0: the current EF), P2 bits 3-1 100 record P1, 101 records
  // P1 to the last.
  Bytes read_record(const Apdu& apdu) {
    const std::uint8_t mode = apdu.p2 & 0x07;
    if (apdu.p1 == 0 || (mode != 4 && mode != 5)) return status(kWrongP1P2);
    const std::uint8_t sfi = apdu.p2 >> 3;
    const auto& files = current_files();
    if (sfi != 0) {
      const auto it = std::find_if(files.begin(), files.end(),
                                   [sfi](const ElementaryFile& f) { return f.sfi == sfi; });
      if (it == files.end()) return status(kFileNotFound);
      session_.ef = static_cast<std::size_t>(it - files.begin());
    }
    if (!session_.ef) return status(kNoCurrentEf);
    const auto& records = files[*session_.ef].records;
    if (apdu.p1 > records.size()) return status(kRecordNotFound);
    const std::size_t last = mode == 4 ? apdu.p1 : records.size();
    Bytes data;
    for (std::size_t r = apdu.p1; r <= last; ++r)
      data.insert(data.end(), records[r - 1].begin(), records[r - 1].end());
    return respond_within_le(std::move(data), apdu);
  }

  // GET RESPONSE: Le bytes of the waiting data (all for Le 00), 61 xx while more remain.
  Bytes get_response(const Apdu& apdu) {
    if (apdu.p1 != 0 || apdu.p2 != 0) return status(kWrongP1P2);
    if (session_.pending.empty()) return status(kConditionsNotSatisfied);
    Bytes& pending = session_.pending;
    if (!apdu.le) return status(kWrongLength);
    if (*apdu.le != kMaxData && *apdu.le > pending.size())
      return {kExactLength, length_byte(pending.size())};
    const std::size_t n = std::min(*apdu.le, pending.size());
    Bytes data(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n));
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n));
    if (pending.empty()) return with_status(std::move(data), kOk);
    data.push_back(kMoreData);
    data.push_back(length_byte(pending.size()));
    return data;
  }

  Chip& chip_;
  ChipSession& session_;
};

}  // namespace

Bytes answer_apdu(Chip& chip, ChipSession& session, std::span<const std::uint8_t> apdu) {
  return Engine(chip, session).answer(apdu);
}

}  // namespace readersim
