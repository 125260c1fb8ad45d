// Full output: where a HYPERLINK field leads.
#pragma once

#include <string>
#include <string_view>

namespace corvane::engine {

// The target of a field instruction (its text, UTF-8), escaped for an href
// attribute: the address, "#name" for a \l bookmark, or both. Empty when
// the instruction is no HYPERLINK or the target is no web, mail or relative
// address: a script or a local file keeps its text only.
std::string HyperlinkTarget(std::string_view instruction);

}  // namespace corvane::engine
