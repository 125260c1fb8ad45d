// Why the calling thread's last conversion answered false, for a front end
// that tells its user more than "failed". Kept per thread, as the two
// workers convert at once.
#pragma once

#include <string>

namespace corvane::import {

// "" until a conversion on this thread has answered false.
const std::string& LastFailureReason();
void SetFailureReason(std::string reason);

}  // namespace corvane::import
