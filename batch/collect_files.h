// Expands one folder of a job into entries of their own.
#pragma once

#include <string>

namespace corvane::batch {

// Queues the folder's subfolders and its files that match masks, in listing
// order, each with a call of its own, and stops early when the job stops.
// Directory links and junctions are not queued, so a link that points back
// up the tree cannot make the walk endless.
void CollectFiles(const std::string& folder, const std::string& masks);

}  // namespace corvane::batch
