// corvane-benchgen: writes the benchmark inputs to disk, one document to
// standard output or a whole folder tree of small documents.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/rtf_generator.h"
#include "bench/split_mix.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUsage =
    "Usage: corvane-benchgen rtf BYTES [SEED]\n"
    "       corvane-benchgen rtf-word-dense BYTES [SEED]\n"
    "       corvane-benchgen tree DIR COUNT [SEED]\n"
    "\n"
    "'rtf' writes one document of about BYTES bytes to standard output;\n"
    "'rtf-word-dense' one as dense in control words as current Word output.\n"
    "'tree' writes COUNT small documents into nested folders under DIR (which\n"
    "must not exist yet), with files of other types mixed in, and prints a\n"
    "summary line of shell assignments: rtf_files, rtf_bytes, other_files,\n"
    "other_bytes, folders.\n";

// Its own stream, so that the documents do not change when the tree's
// shape does.
using TreeRng = corvane::bench::SplitMix;

const std::vector<std::string> kTopFolders = {"Clients", "Projects",      "Archive", "Finance",
                                              "HR",      "Board Minutes", "Letters", "Reports",
                                              "Shared",  "Templates",     "Legal",   "Sales"};
const std::vector<std::string> kSubFolders = {"2016",
                                              "2017",
                                              "2018",
                                              "2019",
                                              "2020",
                                              "2021",
                                              "2022",
                                              "2023",
                                              "Q1",
                                              "Q2",
                                              "Q3",
                                              "Q4",
                                              "Acme Ltd",
                                              "Northwind",
                                              "Blue Harbour",
                                              "old",
                                              "drafts",
                                              "final",
                                              "received",
                                              "sent",
                                              "Correspondence",
                                              "Contracts",
                                              "Meeting notes",
                                              "Invoices"};
const std::vector<std::string> kFileWords = {
    "Report", "Letter", "Minutes", "Proposal", "Agreement", "Invoice", "Memo",      "Summary",
    "Plan",   "Notes",  "Offer",   "Review",   "Budget",    "Agenda",  "Statement", "Brief"};

// Sizes of everyday office documents: most a few kilobytes, a few with
// pictures up to a hundred or so.
std::size_t DocumentSize(TreeRng& rng) {
  const std::size_t p = rng.Below(100);
  if (p < 50) return rng.Between(3000, 8000);
  if (p < 85) return rng.Between(8000, 16000);
  if (p < 98) return rng.Between(16000, 40000);
  return rng.Between(40000, 120000);
}

bool WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) && out.flush();
}

// Files that a folder of documents also holds and that no document mask
// matches: text, images, PDFs, spreadsheets of a newer format, backups.
std::pair<std::string, std::string> OtherFile(TreeRng& rng, std::size_t index) {
  const std::string stem = rng.Pick(kFileWords) + " " + std::to_string(index);
  std::string bytes;
  auto fill_binary = [&](std::string_view magic, std::size_t size) {
    bytes.assign(magic);
    while (bytes.size() < size) bytes += static_cast<char>(rng.Next() & 0xff);
  };
  switch (rng.Below(7)) {
    case 0:
      for (std::size_t n = rng.Between(5, 60); n > 0; --n)
        bytes += "Call back about the invoice.\n";
      return {stem + ".txt", bytes};
    case 1:
      fill_binary("\x89PNG\r\n\x1a\n", rng.Between(1000, 20000));
      return {stem + ".png", bytes};
    case 2:
      fill_binary("\xff\xd8\xff\xe0", rng.Between(2000, 30000));
      return {stem + ".jpg", bytes};
    case 3: fill_binary("%PDF-1.4\n", rng.Between(5000, 40000)); return {stem + ".pdf", bytes};
    case 4:
      for (std::size_t n = rng.Between(10, 200); n > 0; --n) bytes += "2021-03-04;Acme;1200.50\n";
      return {stem + ".csv", bytes};
    case 5: fill_binary("PK\x03\x04", rng.Between(4000, 30000)); return {stem + ".xlsx", bytes};
    default:
      // An old copy: a document by content but not by name.
      return {stem + ".rtf.bak", corvane::bench::GenerateRtf(3000, rng.Next())};
  }
}

int WriteTree(const fs::path& root, std::size_t count, std::uint64_t seed) {
  std::error_code ec;
  if (fs::exists(root, ec)) {
    std::cerr << "corvane-benchgen: " << root.string() << " already exists\n";
    return 1;
  }
  TreeRng rng(seed);
  std::size_t rtf_files = 0, rtf_bytes = 0, other_files = 0, other_bytes = 0, folders = 0;
  // Folders are filled breadth first; each adds a few subfolders to the end
  // of the list, so the tree gets wider and deeper as the count grows.
  struct Folder {
    fs::path path;
    std::size_t depth;
  };
  std::vector<Folder> pending;
  std::size_t next = 0;
  std::size_t top_serial = 0;
  while (rtf_files < count) {
    if (next == pending.size()) {
      pending.push_back({root / (rng.Pick(kTopFolders) + " " + std::to_string(++top_serial)), 1});
    }
    const Folder folder = pending[next++];
    fs::create_directories(folder.path, ec);
    if (ec) {
      std::cerr << "corvane-benchgen: " << folder.path.string() << ": " << ec.message() << '\n';
      return 1;
    }
    ++folders;
    if (folder.depth < 6) {
      for (std::size_t n = rng.Between(0, 4); n > 0; --n) {
        pending.push_back(
            {folder.path / (rng.Pick(kSubFolders) + " " + std::to_string(n)), folder.depth + 1});
      }
    }
    for (std::size_t n = rng.Between(2, 40); n > 0 && rtf_files < count; --n) {
      const std::size_t p = rng.Below(100);
      const char* ext = p < 96 ? ".rtf" : p < 99 ? ".RTF" : ".Rtf";
      const std::string name = rng.Pick(kFileWords) + " " + std::to_string(rtf_files) + ext;
      const std::string doc = corvane::bench::GenerateRtf(DocumentSize(rng), rng.Next());
      if (!WriteFile(folder.path / name, doc)) {
        std::cerr << "corvane-benchgen: cannot write " << (folder.path / name).string() << '\n';
        return 1;
      }
      ++rtf_files;
      rtf_bytes += doc.size();
      if (rng.Below(8) == 0) {
        const auto [other_name, bytes] = OtherFile(rng, rtf_files);
        if (!WriteFile(folder.path / other_name, bytes)) {
          std::cerr << "corvane-benchgen: cannot write " << other_name << '\n';
          return 1;
        }
        ++other_files;
        other_bytes += bytes.size();
      }
    }
  }
  std::cout << "rtf_files=" << rtf_files << " rtf_bytes=" << rtf_bytes
            << " other_files=" << other_files << " other_bytes=" << other_bytes
            << " folders=" << folders << '\n';
  return 0;
}

bool ParseNumber(const char* text, std::uint64_t& value) {
  try {
    std::size_t used = 0;
    value = std::stoull(text, &used);
    return text[used] == '\0';
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  std::uint64_t size = 0;
  std::uint64_t seed = corvane::bench::kDefaultSeed;
  const bool dense = mode == "rtf-word-dense";
  if ((mode == "rtf" || dense) && (argc == 3 || argc == 4) && ParseNumber(argv[2], size) &&
      (argc == 3 || ParseNumber(argv[3], seed))) {
    const std::string doc = corvane::bench::GenerateRtf(
        size, seed,
        dense ? corvane::bench::RtfStyle::kWordDense : corvane::bench::RtfStyle::kMixed);
    std::fwrite(doc.data(), 1, doc.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (mode == "tree" && (argc == 4 || argc == 5) && ParseNumber(argv[3], size) &&
      (argc == 4 || ParseNumber(argv[4], seed))) {
    return WriteTree(argv[2], size, seed);
  }
  std::cerr << kUsage;
  return 2;
}
