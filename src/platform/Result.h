#pragma once

#include <QString>

namespace vrq {

// The outcome of anything in the program that can fail: a file operation, a store operation, a job, a
// step of the export pass. Never an exception: each layer turns its errors into this, with a number
// (errno-style, the engine's code, or the old program's error number the audit entries quote) and a
// message fit for an audit entry.
struct Result {
    // Unreachable: the far end (a database server) did not answer; the same work can succeed later.
    // InUse: another program holds what this one needs for as long as it runs.
    enum class Status { Ok, Failed, NotFound, Duplicate, Unreachable, InUse };

    Status status = Status::Ok;
    int code = 0;
    QString message;

    bool ok() const { return status == Status::Ok; }
    explicit operator bool() const { return ok(); }
    bool isNotFound() const { return status == Status::NotFound; }
    bool isDuplicate() const { return status == Status::Duplicate; }
    bool isUnreachable() const { return status == Status::Unreachable; }
    bool isInUse() const { return status == Status::InUse; }

    static Result success() { return {}; }
    static Result failure(int code, QString message) { return {Status::Failed, code, std::move(message)}; }
    static Result failure(QString message) { return failure(0, std::move(message)); }
    static Result notFound(QString message = QStringLiteral("Row not found")) {
        return {Status::NotFound, 0, std::move(message)};
    }
    static Result duplicate(int code, QString message) {
        return {Status::Duplicate, code, std::move(message)};
    }
    static Result unreachable(int code, QString message) {
        return {Status::Unreachable, code, std::move(message)};
    }
    static Result inUse(QString message) { return {Status::InUse, 0, std::move(message)}; }
};

} // namespace vrq
