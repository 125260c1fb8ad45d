#include "batch/collect_files.h"

#include "batch/conversion_job.h"
#include "batch/file_masks.h"
#include "os/os.h"

namespace corvane::batch {

void CollectFiles(const std::string& folder, const std::string& masks, bool follow_link,
                  std::shared_ptr<const WalkRoot> root) {
  if (!root) root = MakeWalkRoot(folder);
  os::ErrorCode error = 0;
  const bool listed = os::ListFolder(
      folder,
      [&](const os::FolderEntry& entry) {
        std::string path = folder;
        path += os::kPathSeparator;
        path += entry.name;
        if (entry.examine_error != 0) {
          // Its kind is a guess; a file or folder that may hold documents
          // is not passed over in silence.
          if (entry.is_folder || MatchesMaskList(entry.name, masks)) {
            CountEntryFailure(path,
                              "cannot examine it: " + os::SystemErrorText(entry.examine_error));
          }
        } else if (entry.is_folder ? !entry.is_link : MatchesMaskList(entry.name, masks)) {
          QueueListedEntry(std::move(path), root);
        }
        const TJobState state = GetJobState();
        return state != jsStopping && state != jsFinished;
      },
      error, follow_link);
  if (listed) return;
  // Gone since it was queued, or become a link (not followed, as in a
  // listing): passed over.
  os::ErrorCode kind_error = 0;
  const os::NameKind now = os::ExamineName(folder, kind_error);
  if (now == os::NameKind::kNothing || (!follow_link && now == os::NameKind::kLink)) return;
  CountEntryFailure(folder, "cannot list the folder: " + os::SystemErrorText(error));
}

}  // namespace corvane::batch
