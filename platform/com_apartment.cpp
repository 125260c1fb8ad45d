#include <objbase.h>

#include "platform/win32_owners.h"

namespace corvane::platform {

void ComApartment::Initialize() {
  if (initialized_) return;
  // S_FALSE (already initialised on this thread) succeeds too and must be
  // matched by an uninitialise as well.
  initialized_ = SUCCEEDED(::CoInitialize(nullptr));
}

void ComApartment::Uninitialize() {
  if (!initialized_) return;
  ::CoUninitialize();
  initialized_ = false;
}

}  // namespace corvane::platform
