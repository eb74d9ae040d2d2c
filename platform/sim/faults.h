#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/json_file.h"

// Simulated faults of a target ("faults" of target.json): a call that should fail, or end an
// update with a given status, or write fewer bytes than asked.
namespace vksim {

struct Fault {
    size_t index = 0;  // position in the "faults" array
    std::string call;
    std::optional<std::string> match;
    std::optional<uint32_t> errorCode;
    std::optional<uint64_t> times;  // absent: every time
    std::optional<uint32_t> status;
    bool shortWrite = false;
    std::optional<int64_t> result;  // file-transfer calls: the result answered instead of -1
};

// What a fault may stand for: an ordinary failure, the end status of an update, or a short
// write of putFileU.
enum class FaultKind { Failure, UpdateStatus, ShortWrite };

// What a call is about, for "match": file names, or a number (serial number, application
// identifier) that a match text in the number syntax is compared with.
struct FaultSubject {
    std::vector<std::string> names;
    std::optional<uint64_t> number;
};

// The call names a fault may carry.
const std::vector<std::string>& faultCallNames();

// Reads and checks the "faults" array; error names origin and place.
bool parseFaults(const Json& faults, const std::string& origin, std::vector<Fault>& out,
                 std::string& error);

bool faultMatches(const Fault& fault, const std::string& call, const FaultSubject& subject,
                  FaultKind kind);

}  // namespace vksim
