// Expands one folder of a job into entries of their own.
#pragma once

#include <memory>
#include <string>

#include "batch/walk_root.h"

namespace corvane::batch {

// Queues the folder's subfolders and its files that match masks, in listing
// order, each with a call of its own, and stops early when the job stops.
// Directory links and junctions are not queued, so a link that points back
// up the tree cannot make the walk endless; without follow_link the folder
// itself is not listed if a link has taken its place. A folder that cannot
// be listed, and a listed name that cannot be examined, are failures of
// the job; a folder that has gone is passed over. root is the folder the
// walk began at; without it, the walk begins here.
void CollectFiles(const std::string& folder, const std::string& masks, bool follow_link = true,
                  std::shared_ptr<const WalkRoot> root = nullptr);

}  // namespace corvane::batch
