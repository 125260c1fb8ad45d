// The readers of our own, each answering for one converter class of the
// dispatch table. They run in-process on any thread, without the converter
// lock: they are pure and share nothing.
#pragma once

#include <span>
#include <string_view>

#include "readers/reader.h"

namespace corvane::import {

// Every built-in reader, in no particular order.
std::span<const readers::BuiltInReader> BuiltInReaders();

// The reader of a class; nullptr when we have none for it.
const readers::BuiltInReader* FindBuiltInReader(std::string_view converter_class);

}  // namespace corvane::import
