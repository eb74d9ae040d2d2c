#include "sim/faults.h"

#include <algorithm>

#include "sim/sim_text.h"

namespace vksim {

namespace {

bool fail(std::string& error, const std::string& origin, const std::string& place,
          const std::string& message) {
    error = origin + ": " + place + ": " + message;
    return false;
}

bool readUnsigned(const Json& value, uint64_t max, uint64_t& out) {
    if (value.is_number_unsigned()) {
        out = value.get<uint64_t>();
        return out <= max;
    }
    return value.is_string() && parseUnsigned(value.get<std::string>(), max, out);
}

bool isFileTransferCall(const std::string& call) {
    return call == "getFileU" || call == "putFileU" || call == "makeDir" || call == "renameFile";
}

bool parseFault(const Json& entry, const std::string& origin, const std::string& place,
                Fault& fault, std::string& error) {
    if (!entry.is_object()) {
        return fail(error, origin, place, "expected a fault object with a \"call\"");
    }
    for (auto it = entry.begin(); it != entry.end(); ++it) {
        static const char* const kKeys[] = {"call",   "match",      "errorCode", "times",
                                            "status", "shortWrite", "result"};
        if (std::find(std::begin(kKeys), std::end(kKeys), it.key()) == std::end(kKeys)) {
            return fail(error, origin, place, "unknown member \"" + it.key() + "\"");
        }
    }
    const auto call = entry.find("call");
    const std::vector<std::string>& names = faultCallNames();
    if (call == entry.end() || !call->is_string() ||
        std::find(names.begin(), names.end(), call->get<std::string>()) == names.end()) {
        return fail(error, origin, place + ".call",
                    "expected the name of a call such as \"scan\" or \"transferFile\"");
    }
    fault.call = call->get<std::string>();
    uint64_t number = 0;
    if (const auto match = entry.find("match"); match != entry.end()) {
        if (match->is_string()) {
            fault.match = match->get<std::string>();
        } else if (match->is_number_unsigned()) {
            fault.match = std::to_string(match->get<uint64_t>());
        } else {
            return fail(error, origin, place + ".match", "expected a text or a number");
        }
    }
    if (const auto code = entry.find("errorCode"); code != entry.end()) {
        if (!readUnsigned(*code, 0xFFFFFFFFu, number)) {
            return fail(error, origin, place + ".errorCode", "expected an unsigned 32-bit number");
        }
        fault.errorCode = static_cast<uint32_t>(number);
    }
    if (const auto times = entry.find("times"); times != entry.end()) {
        if (!readUnsigned(*times, UINT64_MAX, number)) {
            return fail(error, origin, place + ".times", "expected an unsigned number");
        }
        fault.times = number;
    }
    if (const auto status = entry.find("status"); status != entry.end()) {
        if (fault.call != "updateStatus" || !readUnsigned(*status, 0xFFFFFFFFu, number)) {
            return fail(error, origin, place + ".status",
                        "only an \"updateStatus\" fault has a status, an unsigned number");
        }
        fault.status = static_cast<uint32_t>(number);
    }
    if (const auto shortWrite = entry.find("shortWrite"); shortWrite != entry.end()) {
        if (fault.call != "putFileU" || !shortWrite->is_boolean()) {
            return fail(error, origin, place + ".shortWrite",
                        "only a \"putFileU\" fault has shortWrite, true or false");
        }
        fault.shortWrite = shortWrite->get<bool>();
    }
    if (const auto result = entry.find("result"); result != entry.end()) {
        if (!isFileTransferCall(fault.call) || !result->is_number_integer()) {
            return fail(error, origin, place + ".result",
                        "only a file-transfer call (getFileU, putFileU, makeDir, renameFile) "
                        "has a result, a whole number");
        }
        fault.result = result->get<int64_t>();
    }
    if ((fault.status || fault.shortWrite) && fault.errorCode) {
        return fail(
            error, origin, place,
            "a fault with \"status\" or \"shortWrite\" enters no error; drop \"errorCode\"");
    }
    return true;
}

bool subjectMatches(const std::string& match, const FaultSubject& subject) {
    if (std::find(subject.names.begin(), subject.names.end(), match) != subject.names.end()) {
        return true;
    }
    uint64_t number = 0;
    return subject.number && parseUnsigned(match, UINT64_MAX, number) && number == *subject.number;
}

}  // namespace

const std::vector<std::string>& faultCallNames() {
    static const std::vector<std::string> kNames = {
        "getDeviceList",
        "createDeviceHandle",
        "deleteDeviceHandle",
        "createAccessRestrictionHandle",
        "requestAccessRestrictionLevel",
        "deleteAccessRestrictionHandle",
        "resetDevice",
        "getApplications",
        "unloadAppl",
        "createRootHandle",
        "deleteRootHandle",
        "scan",
        "lock",
        "unlock",
        "transferFile",
        "update",
        "updateStatus",
        "updateErrors",
        "updateFinish",
        "deleteRemoteFile",
        "createFTClientHandle",
        "deleteFTClientHandle",
        "getFileU",
        "putFileU",
        "makeDir",
        "renameFile",
    };
    return kNames;
}

bool parseFaults(const Json& faults, const std::string& origin, std::vector<Fault>& out,
                 std::string& error) {
    if (!faults.is_array()) {
        return fail(error, origin, "faults", "expected an array of faults");
    }
    out.clear();
    for (size_t i = 0; i < faults.size(); ++i) {
        Fault fault;
        fault.index = i;
        if (!parseFault(faults[i], origin, "faults[" + std::to_string(i) + "]", fault, error)) {
            return false;
        }
        out.push_back(fault);
    }
    return true;
}

bool faultMatches(const Fault& fault, const std::string& call, const FaultSubject& subject,
                  FaultKind kind) {
    const FaultKind faultKind = fault.status       ? FaultKind::UpdateStatus
                                : fault.shortWrite ? FaultKind::ShortWrite
                                                   : FaultKind::Failure;
    if (fault.call != call || faultKind != kind || (fault.times && *fault.times == 0)) {
        return false;
    }
    // A call that is about nothing in particular ignores "match".
    const bool aboutSomething = !subject.names.empty() || subject.number.has_value();
    return !fault.match || !aboutSomething || subjectMatches(*fault.match, subject);
}

}  // namespace vksim
