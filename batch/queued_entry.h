// An entry waiting in the job's queue. Its copies and moves are counted:
// that is the queue's work, which a test compares across input sizes
// because, unlike time or allocations, it shows an entry moved once per
// insert as well as the whole queue shifted on every one.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "batch/walk_root.h"

namespace corvane::batch {

inline std::atomic<std::int64_t> g_queued_entry_transfers{0};

// Copies and moves of queued entries so far, on every thread.
inline std::int64_t QueuedEntryTransfers() {
  return g_queued_entry_transfers.load(std::memory_order_relaxed);
}

struct QueuedEntry {
  std::string path;
  bool listed = false;                   // from a folder listing: links at its end are not followed
  std::string failure;                   // not empty: the entry cannot be handled, for this reason
  std::shared_ptr<const WalkRoot> root;  // of a listed entry: where its walk began

  QueuedEntry() = default;
  QueuedEntry(std::string entry_path, bool from_listing, std::string reason,
              std::shared_ptr<const WalkRoot> walk_root)
      : path(std::move(entry_path)),
        listed(from_listing),
        failure(std::move(reason)),
        root(std::move(walk_root)) {}
  QueuedEntry(const QueuedEntry& other)
      : path(other.path), listed(other.listed), failure(other.failure), root(other.root) {
    Count();
  }
  QueuedEntry(QueuedEntry&& other) noexcept
      : path(std::move(other.path)),
        listed(other.listed),
        failure(std::move(other.failure)),
        root(std::move(other.root)) {
    Count();
  }
  QueuedEntry& operator=(const QueuedEntry& other) {
    QueuedEntry copy(other);
    return *this = std::move(copy);
  }
  QueuedEntry& operator=(QueuedEntry&& other) noexcept {
    path = std::move(other.path);
    listed = other.listed;
    failure = std::move(other.failure);
    root = std::move(other.root);
    Count();
    return *this;
  }
  ~QueuedEntry() = default;

 private:
  static void Count() { g_queued_entry_transfers.fetch_add(1, std::memory_order_relaxed); }
};

}  // namespace corvane::batch
