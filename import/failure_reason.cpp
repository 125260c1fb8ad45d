#include "import/failure_reason.h"

#include <utility>

namespace corvane::import {
namespace {

thread_local std::string t_reason;

}  // namespace

const std::string& LastFailureReason() { return t_reason; }
void SetFailureReason(std::string reason) { t_reason = std::move(reason); }

}  // namespace corvane::import
