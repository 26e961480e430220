#include "driver/run.h"

#include <cstdio>
#include <exception>
#include <new>
#include <typeinfo>

#if defined(__GNUG__)
#include <cxxabi.h>

#include <cstdlib>
#endif

#include "base/messages.h"
#include "base/run_log.h"
#include "config/echo_areas.h"
#include "config/settings.h"
#include "config/squish_areas.h"
#include "driver/options.h"
#include "driver/progress.h"
#include "platform/planning.h"
#include "rules/rename_rules.h"

namespace tesvak {
namespace {

// Locations of the failures that are not file operations.
constexpr std::uint32_t kCodeBase = 0x00401000;
constexpr std::uint32_t kOutOfMemoryLocation = kCodeBase + 0x0F00;
constexpr std::uint32_t kOtherFailureLocation = kCodeBase + 0x0F80;

std::string ClassNameOf(const std::exception& e) {
  const char* raw = typeid(e).name();
#if defined(__GNUG__)
  int status = 0;
  char* demangled = abi::__cxa_demangle(raw, nullptr, nullptr, &status);
  if (status == 0 && demangled != nullptr) {
    std::string name(demangled);
    std::free(demangled);
    return name;
  }
#endif
  return raw;
}

// The whole job, in its fixed order.  A dry run and a real one take the
// same path, a dry run through a platform that only plans the outputs;
// they part only where a copy's bytes would be moved.
Status Run(Platform& system, const Options& options) {
  PlanningPlatform planning(system);
  Platform& fs = options.dry_run ? static_cast<Platform&>(planning) : system;
  const bool report = options.dry_run || options.verbose;
  QuietLog quiet;
  ProgressLog progress(fs);
  RunLog& log = report ? static_cast<RunLog&>(progress) : quiet;

  Settings settings;
  Status s = ReadSettings(fs, &settings, log);
  if (s.ok()) s = NormaliseSettings(&settings);
  AreaTable areas;
  const std::string settings_name = kSettingsName;
  if (s.ok()) {
    s = ReadEchoAreas(fs, settings.SquishFile, {settings_name, settings.line.SquishFile}, &areas,
                      log);
  }
  if (s.ok() && report && areas.size() == 0) progress.NoAreas(settings.SquishFile);
  RulesPassCounts counts;
  const CopyAction action = options.dry_run ? CopyAction::kPlan : CopyAction::kCopy;
  if (s.ok()) s = RenameRules(fs, settings, areas, action, log, &counts);
  if (report) {
    if (s.ok()) {
      progress.Summary(areas.size(), counts);
    } else {
      progress.ShowCause(s.cause());
    }
  }
  return s;
}

// Help, the version, or a complaint about the command line; kExitSuccess
// when the arguments ask for the job itself.
int Answer(Platform& fs, const Options& options) {
  using Stream = Platform::Stream;
  if (!options.refused.empty()) {
    fs.Print(Stream::kErr, options.refused);
    fs.Print(Stream::kErr, kTryHelp);
    return kExitStopped;
  }
  if (options.help) {
    for (const std::string& line : HelpText(fs.SlashOptions())) fs.Print(Stream::kOut, line);
  } else if (options.version) {
    fs.Print(Stream::kOut, std::string(kVersionStart) + kVersion);
  }
  return kExitSuccess;
}

int Report(Platform& fs, std::string_view class_name, std::uint32_t location,
           std::string_view message) {
  fs.ConsoleLine(FailureReport(class_name, fs.ModuleName(), location, message));
  return kExitFailure;
}

}  // namespace

std::string MessageForCode(std::uint32_t code) {
  switch (code) {
    case kFileNotFound:
      return kFileNotFoundMessage;
    case kPathNotFound:
      return kInvalidFilenameMessage;
    case kTooManyOpenFiles:
      return kTooManyOpenFilesMessage;
    case kAccessDenied:
      return kAccessDeniedMessage;
    case kReadBeyondEnd:
      return kReadBeyondEndMessage;
    case kShortWrite:
      return kDiskFullMessage;
    case kInvalidNumericInput:
      return kInvalidNumericInputMessage;
    default:
      return kIoErrorMessage + std::to_string(code);
  }
}

std::uint32_t LocationOf(Site site) { return kCodeBase + 0x100 * static_cast<std::uint32_t>(site); }

namespace {

// Runs the job, or answers the options, and gives the exit code; a stop or
// a failure has printed its line or report.
int RunOrAnswer(Platform& fs, const std::vector<std::string>& args) {
  try {
    const Options options = ParseOptions(args, fs.SlashOptions());
    if (options.help || options.version || !options.refused.empty()) return Answer(fs, options);
    const Status s = Run(fs, options);
    switch (s.kind()) {
      case Status::Kind::kOk:
        return kExitSuccess;
      case Status::Kind::kStop:
        fs.ConsoleLine(s.line());
        return kExitStopped;
      case Status::Kind::kIoError:
        return Report(fs, kInOutErrorClass, LocationOf(s.site()), MessageForCode(s.code()));
    }
  } catch (const std::bad_alloc&) {
    return Report(fs, kOutOfMemoryClass, kOutOfMemoryLocation, kOutOfMemoryMessage);
  } catch (const std::exception& e) {
    return Report(fs, ClassNameOf(e), kOtherFailureLocation, e.what());
  }
  return kExitFailure;
}

}  // namespace

std::string FailureReport(std::string_view class_name, std::string_view module,
                          std::uint32_t location, std::string_view message) {
  char address[9];
  std::snprintf(address, sizeof address, "%08X", static_cast<unsigned>(location));
  std::string report = kReportException;
  report.append(class_name).append(kReportInModule).append(module);
  report.append(kReportAt).append(address).append(".\n").append(message);
  if (!message.empty() && message.back() != '.') report += '.';
  return report;
}

int RunProgram(Platform& fs, const std::vector<std::string>& args) {
  const int code = RunOrAnswer(fs, args);
  // A listing that did not reach standard output is a failure, the job
  // done or not: a plan that went nowhere must not pass for one.
  std::string what;
  const ErrorCode lost = fs.FinishOutput(&what);
  if (lost == kOk) return code;
  if (lost != kBrokenPipe) {  // whoever stopped reading knows
    fs.Print(Platform::Stream::kErr, kWriteErrorLine + what);
    fs.FinishOutput(&what);
  }
  return code == kExitSuccess ? kExitFailure : code;
}

}  // namespace tesvak
