#pragma once

#include <QString>

namespace vrq {

// What a job that may fail tells its caller (the scan, the purge and the audit export report their
// errors this way).
struct JobResult {
    bool ok = true;
    QString error;
    static JobResult success() { return {}; }
    static JobResult failure(QString error) { return {false, std::move(error)}; }
};

} // namespace vrq
