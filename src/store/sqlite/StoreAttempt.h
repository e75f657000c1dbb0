#pragma once

// How the call store's own sources run an operation against the engine: an exception never leaves the
// store, it becomes the operation's result. Included by the store's .cpp files only.

#include "store/sqlite/CallStore.h"

#include <exception>
#include <type_traits>

namespace vrq {

// What an exception in a store operation becomes: a key clash is reported with kDuplicateKeyError and
// the old engine's text (the intake's audit entries quote both), any other engine error with its
// extended code and message, and anything else with code -1 and its message.
Result failureOf(const std::exception& e);

// Runs one operation that gives a Result, or nothing when it can only succeed or throw.
template <typename Operation> Result attempt(Operation&& operation) {
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Operation&>>) {
            operation();
            return Result::success();
        } else {
            return operation();
        }
    } catch (const std::exception& e) {
        return failureOf(e);
    }
}

// Runs one read and gives what it read: on a failure an empty value, with the failure in *result.
// *result (when given) says success otherwise.
template <typename Read> std::invoke_result_t<Read&> attempt(Result* result, Read&& read) {
    try {
        if (result)
            *result = Result::success();
        return read();
    } catch (const std::exception& e) {
        if (result)
            *result = failureOf(e);
        return {};
    }
}

// Runs a step whose failure changes nothing the caller could act on (undoing, syncing, an index that
// the next upgrade makes again): a failure is ignored.
template <typename Step> void bestEffort(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

} // namespace vrq
