#include "batch/collect_files.h"

#include "batch/conversion_job.h"
#include "batch/file_masks.h"
#include "os/os.h"

namespace corvane::batch {

void CollectFiles(const std::string& folder, const std::string& masks) {
  os::ListFolder(folder, [&](const os::FolderEntry& entry) {
    const bool queue = entry.is_folder ? !entry.is_link : MatchesMaskList(entry.name, masks);
    if (queue) {
      std::string path = folder;
      path += os::kPathSeparator;
      path += entry.name;
      StartConversionJob(path);
    }
    const TJobState state = GetJobState();
    return state != jsStopping && state != jsFinished;
  });
}

}  // namespace corvane::batch
