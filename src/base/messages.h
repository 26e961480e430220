// Every fixed text the program shows, in one place: the stop lines, the
// failure report's words, the listing, the warnings and the summary of a
// dry or verbose run, and the command line's answers.  The stop lines and
// the report are the program's historic bytes and must not change; the
// rest may be reworded here and nowhere else.
#ifndef TESVAK_BASE_MESSAGES_H_
#define TESVAK_BASE_MESSAGES_H_

namespace tesvak {

// Stop lines, each the one line of an orderly stop.
inline constexpr char kNoSettingsLine[] = "Config File Not found";
inline constexpr char kMissingSettingLine[] = "Missing setting in config.";
inline constexpr char kNoSquishLine[] = "Squish.cfg file not found";
inline constexpr char kAreaLimitLine[] = "Echo areas > 1000, the table holds 1000 at most.";
inline constexpr char kNoRulesFileLine[] = "Error:0001    Please report me";
// NAME + " " + kNotFoundRemark: an included file or AREAS.BBS; RulesPath +
// kRulesListShownName + " " + kNotFoundRemark: files.bbs.
inline constexpr char kNotFoundRemark[] = "is not found.";
inline constexpr char kRulesListShownName[] = "Files.bbs";
// Followed by the name as written.
inline constexpr char kIncludeTooDeepLine[] = "Include nested deeper than 16 levels: ";
inline constexpr char kIncludeTooOftenLine[] = "Include used more than 1000 times: ";

// The failure report: "Exception CLASS in module MODULE at ADDRESS." LF
// MESSAGE, with a period added to a message without one.
inline constexpr char kReportException[] = "Exception ";
inline constexpr char kReportInModule[] = " in module ";
inline constexpr char kReportAt[] = " at ";
inline constexpr char kInOutErrorClass[] = "EInOutError";
inline constexpr char kOutOfMemoryClass[] = "EOutOfMemory";
inline constexpr char kOutOfMemoryMessage[] = "Out of memory";
// The report's message for each code; any other is kIoErrorMessage + code.
inline constexpr char kFileNotFoundMessage[] = "File not found";
inline constexpr char kInvalidFilenameMessage[] = "Invalid filename";
inline constexpr char kTooManyOpenFilesMessage[] = "Too many open files";
inline constexpr char kAccessDeniedMessage[] = "File access denied";
inline constexpr char kReadBeyondEndMessage[] = "Read beyond end of file";
inline constexpr char kDiskFullMessage[] = "Disk full";
inline constexpr char kInvalidNumericInputMessage[] = "Invalid numeric input";
inline constexpr char kIoErrorMessage[] = "I/O error ";

// A dry or verbose run: a line a copy, SOURCE + kCopyArrow + DEST.
inline constexpr char kCopyArrow[] = " -> ";
inline constexpr char kSameFileSkipped[] = " (same file, skipped)";
// Warnings, kWarning + FILE + ":" + N + ": " + what.
inline constexpr char kWarning[] = "tesvak: warning: ";
inline constexpr char kNoEchoAreas[] = ": no echo areas";
inline constexpr char kNoSuchArea[] = "no echo area ";
inline constexpr char kCopiedAgain[] = " again, replacing the copy from line ";
inline constexpr char kTagAgainBefore[] = "echo area ";
inline constexpr char kTagAgainAfter[] = " defined again; the first definition counts";
inline constexpr char kTextAfterCtrlZ[] = "text after Ctrl-Z ignored";
// The summary: "tesvak: A echo areas, L lines in files.bbs, C copies, U
// lines naming no echo area".
inline constexpr char kSummaryStart[] = "tesvak: ";
inline constexpr char kSummaryAreas[] = " echo areas, ";
inline constexpr char kSummaryLines[] = " lines in files.bbs, ";
inline constexpr char kSummaryCopies[] = " copies, ";
inline constexpr char kSummaryUnknown[] = " lines naming no echo area";

// The command line.
inline constexpr char kUnknownOption[] = "tesvak: unknown option '";  // + ARG + "'"
inline constexpr char kTryHelp[] = "Try 'tesvak --help'.";
inline constexpr char kVersionStart[] = "tesvak ";  // + the version
inline constexpr char kWriteErrorLine[] = "tesvak: write error on standard output: ";
inline constexpr const char* kHelpLines[] = {
    "Usage: tesvak [OPTION]...",
    "Copies the rules file of every echo area listed in files.bbs to the area's",
    "message-base name plus .sqr, as tesvak.cfg in the current directory sets out.",
    "",
    "  -n, --dry-run  read what a run reads and show each copy it would make;",
    "                 create, truncate and write nothing",
    "  -v, --verbose  show each copy as it is made",
    nullptr,  // the help option's own line, below
    "  -V, --version  show the version and exit",
    "",
    "Without options nothing is printed unless the run stops (exit status 2)",
    "or fails (exit status 1).  See the manual for the settings and messages.",
};
inline constexpr char kHelpOptionLine[] = "  -h, --help     show this help and exit";
inline constexpr char kHelpOptionSlashLine[] = "  -h, --help, /? show this help and exit";

}  // namespace tesvak

#endif  // TESVAK_BASE_MESSAGES_H_
