// TMainForm: dropped files, the job's progress, Stop.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app/main_form.h"
#include "app/user_settings.h"
#include "batch/conversion_job.h"
#include "batch/file_masks.h"
#include "os/os.h"

namespace corvane::app {

batch::TProcessParams JobParameters(HWND window) {
  batch::TProcessParams params;
  params.NotifyWindow = window;
  params.FileMasks = std::string(batch::SupportedFileMasks);
  params.Output =
      ReadUtf8OutputSetting() ? import::HtmlOutput::kFullText : import::HtmlOutput::kClassic;
  return params;
}

void StartJobWithNameWithoutForm(const std::string& shown_name,
                                 const batch::TProcessParams& params) {
  batch::StartConversionJobWithUnusableName(
      shown_name, "the name has no form in the system's code page", &params);
}

void TMainForm::WMDropFiles(HDROP drop_handle) {
  const platform::Drop drop(drop_handle);  // DragFinish on every way out
  const batch::TProcessParams params = JobParameters(hwnd_);
  // Asked for in UTF-16: where the system ignores the manifest's UTF-8
  // code page, the ANSI form of a name may be a look-alike of another.
  const UINT count = ::DragQueryFileW(drop.Get(), 0xFFFFFFFF, nullptr, 0);
  for (UINT index = 0; index < count; ++index) {
    // Asked for its length first, so a name of any length arrives whole.
    const UINT length = ::DragQueryFileW(drop.Get(), index, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    wide.resize(::DragQueryFileW(drop.Get(), index, wide.data(), length + 1));
    SetViewState(vsProcessing);
    // One call per name: the first starts the job, the others join it.
    std::string name;
    if (os::ExactAnsiName(wide.c_str(), name)) {
      batch::StartConversionJob(std::vector<std::string>{name}, &params);
    } else {
      StartJobWithNameWithoutForm(os::DisplayAnsiName(wide.c_str()), params);
    }
  }
}

void TMainForm::WMJobProgress() {
  const batch::JobProgress progress = batch::ReadJobProgress();
  const std::string& entry = progress.entry;
  const std::int32_t taken = progress.taken;
  const std::int32_t total = progress.total;
  last_errors_ = progress.last_failures;
  if (entry.empty()) {  // the job has closed
    RepaintImage();
    SetViewState(vsDone);
    return;
  }
  SetViewState(vsProcessing);
  char item[64];
  std::snprintf(item, sizeof item, "Item %d of %d\n", static_cast<int>(taken),
                static_cast<int>(total));
  std::string text = item + entry;
  // 64 bits: taken * 100 would overflow 32 bits past 21 million entries.
  const int position =
      total != 0 ? static_cast<int>(std::int64_t{taken} * 100 / std::int64_t{total}) : 0;
  SetProgressBarPosition(position);
  const std::string caption = "Corvane:" + std::to_string(position) + "%";
  ::SetWindowTextA(hwnd_, caption.c_str());
  application_.SetTitle(caption);
  RepaintImage();
  DrawProgressText(text);
  last_progress_text_ = std::move(text);
}

void TMainForm::StopButtonClick() { batch::RequestStop(); }

}  // namespace corvane::app
