#include "app/startup.h"

#include <string>

#include "app/application.h"
#include "app/command_line.h"
#include "app/main_form.h"
#include "batch/conversion_job.h"
#include "import/converter_host.h"
#include "platform/sys_dialogs.h"
#include "platform/web_links.h"
#include "platform/win32_owners.h"

namespace corvane::app {
namespace {

// The modules, started here in dependency order (each before its users)
// and ended in reverse order, instead of by the accident of static
// initialisation.
class ModuleScope {
 public:
  ModuleScope() {
    platform::RecordInstallDate();
    import::StartConverterModule();
    try {
      batch::StartJobModule();
    } catch (...) {
      import::EndConverterModule(true);
      throw;
    }
  }
  ~ModuleScope() {
    try {
      // A worker that outlived the job's bounded wait may still hold the
      // converter host's lock; then the host keeps it.
      const bool workers_ended = batch::EndJobModule();
      import::EndConverterModule(workers_ended);
      platform::EndDialogModule();
    } catch (...) {
      // The process is ending; there is no one left to tell.
    }
  }
  ModuleScope(const ModuleScope&) = delete;
  ModuleScope& operator=(const ModuleScope&) = delete;
};

void OpenUninstallPage() {
  platform::OpenWebPage(
      std::string(platform::kWebSiteAddress) + std::string(platform::kUninstallPagePath),
      platform::BuildLinkQuery());
}

void RunMainWindow() {
  TApplication application;
  TMainForm form(application);
  application.SetMainForm(&form);
  application.ShowMainForm();
  application.Run();
}

}  // namespace

int RunCorvane(std::string_view command_line) noexcept {
  // Declared first so that it ends last, after every module.
  platform::ComApartment com;
  try {
    const ModuleScope modules;
    if (FirstArgument(command_line) == kUninstallSwitch) {
      // No COM, no window, no message loop.
      OpenUninstallPage();
      return 0;
    }
    // The folder browser runs on this thread and needs an apartment here.
    com.Initialize();
    RunMainWindow();
  } catch (...) {
    ReportException(nullptr);
  }
  return 0;
}

}  // namespace corvane::app
