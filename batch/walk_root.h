// The folder a walk began at, so that a file link met in the walk is
// followed only to a file inside it.
#pragma once

#include <memory>
#include <string>

namespace corvane::batch {

struct WalkRoot {
  std::string named;  // as the walk names its entries: named + separator + name
  std::string final;  // with every link on the way resolved; empty if it could not be
};

// The root of a walk that begins at folder.
std::shared_ptr<const WalkRoot> MakeWalkRoot(const std::string& folder);

// The name, in the walk's own terms, of target (a name with every link
// resolved) when it lies below the root; empty when it lies outside.
std::string NameInsideWalk(const WalkRoot& root, const std::string& target);

}  // namespace corvane::batch
