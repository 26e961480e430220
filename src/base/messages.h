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
inline constexpr char kGotNoRulesBefore[] = "echo area ";  // + TAG
inline constexpr char kGotNoRulesAfter[] = " got no rules";
// KEY + kNoSuchSetting, for a key of tesvak.cfg that names no setting.
inline constexpr char kNoSuchSetting[] =
    " is no setting; the settings are SquishFile, RulesPath and OutDir";
// KEY + kTakesOneWord + VALUE + kDropped + the rest of the line.
inline constexpr char kTakesOneWord[] = " takes one word: ";
inline constexpr char kDropped[] = " is used; dropped: ";
// The summary: "tesvak: A echo areas, L lines in files.bbs, C copies, U
// lines naming no echo area, R echo areas without rules", each count with
// its noun in the singular or plural.
inline constexpr char kSummaryStart[] = "tesvak: ";
inline constexpr char kSummarySeparator[] = ", ";
inline constexpr const char* kSummaryNouns[][2] = {
    {" echo area", " echo areas"},
    {" line in files.bbs", " lines in files.bbs"},
    {" copy", " copies"},
    {" line naming no echo area", " lines naming no echo area"},
    {" echo area without rules", " echo areas without rules"},
};

// The cause of a stop or a failure, on standard error before its line or
// report, in a dry or verbose run only: kCauseStart + FILE[:LINE] + ": " +
// WHAT[ + " " + NAME[ + kLookedUpAs + FULL + ")"]][ + ": " + WHY].
inline constexpr char kCauseStart[] = "tesvak: ";
inline constexpr char kLookedUpAs[] = " (looked up as ";
// What was tried.
inline constexpr char kCannotOpenSettings[] = "cannot open the settings file";
inline constexpr char kCannotOpenSquish[] = "cannot open the Squish configuration";
inline constexpr char kCannotOpenInclude[] = "cannot open the included file";
inline constexpr char kCannotOpenAreasBbs[] = "cannot open the AREAS.BBS file";
inline constexpr char kCannotInclude[] = "cannot include";
inline constexpr char kCannotOpenRulesList[] = "cannot open the rules list";
inline constexpr char kCannotOpenRulesFile[] = "cannot open the rules file";
inline constexpr char kCannotMeasureRulesFile[] = "cannot measure the rules file";
inline constexpr char kCannotReadRulesFile[] = "cannot read the rules file";
inline constexpr char kCannotCloseRulesFile[] = "cannot close the rules file";
inline constexpr char kCannotWriteOutput[] = "cannot write the output";
inline constexpr char kCannotCloseOutput[] = "cannot close the output";
inline constexpr char kCannotReadText[] = "cannot read";
inline constexpr char kCannotCloseText[] = "cannot close";
// "missing setting(s) " + KEY + kNotSet or kNoValueOnLine + N + ")", ...
inline constexpr char kMissingSetting[] = "missing setting ";
inline constexpr char kMissingSettings[] = "missing settings ";
inline constexpr char kNotSet[] = " (no line sets it)";
inline constexpr char kNoValueOnLine[] = " (no value on line ";
// "echo area " + TAG + kAreaOverLimit.
inline constexpr char kAreaOverLimitBefore[] = "echo area ";
inline constexpr char kAreaOverLimit[] = " is the 1001st; the table holds 1000 at most";
// Why, by the program's own rules.
inline constexpr char kNestedTooDeep[] = "nested deeper than 16 levels";
inline constexpr char kIncludesItself[] = "it is being read already: it would include itself";
inline constexpr char kIncludedTooOften[] = "more than 1000 Include lines followed";
inline constexpr char kShrank[] = "it ended before the size it had when the copy began";
inline constexpr char kMediumFull[] = "the medium took no more bytes";
inline constexpr char kNotRegularFile[] = "not a regular file";
inline constexpr char kIsDirectory[] = "a directory";
inline constexpr char kIsReadOnly[] = "read-only";
inline constexpr char kIsTextInput[] = "one of the files this run reads as text";
inline constexpr char kLinkToNowhere[] = "a link that leads nowhere";
inline constexpr char kLinkInCircle[] = "a link that leads round in a circle";
inline constexpr char kIsDeviceName[] = "a DOS device name";
inline constexpr char kIsStreamName[] = "a colon in the name, which NTFS takes for a stream";
inline constexpr char kNameTooLongWhy[] = "the name is longer than 259 bytes";
inline constexpr char kNameHoldsNul[] = "the name holds a NUL byte";
inline constexpr char kNoDirectory[] = "there is no directory ";  // + DIR

// The command line.
inline constexpr char kUnknownOption[] = "tesvak: unknown option '";            // + ARG + "'"
inline constexpr char kUnexpectedArgument[] = "tesvak: unexpected argument '";  // + ARG + "'"
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
    "or fails (exit status 1); -n or -v then names the file and line at fault.",
    "See the manual for the settings and messages.",
};
inline constexpr char kHelpOptionLine[] = "  -h, --help     show this help and exit";
inline constexpr char kHelpOptionSlashLine[] = "  -h, --help, /? show this help and exit";

}  // namespace tesvak

#endif  // TESVAK_BASE_MESSAGES_H_
