#include "platform/names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace tesvak {
namespace {

TEST(Names, DosNamesBecomePosixNames) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\BBS\\RULES", "/BBS/RULES"},
      {"C:RULES", "RULES"},
      {"d:\\out\\", "/out/"},
      {"RULES\\files.bbs", "RULES/files.bbs"},
      {"/srv/bbs/x", "/srv/bbs/x"},
      {"1:\\X", "1:/X"},  // not a drive letter
      {"\\\\server\\share", "//server/share"},
      {"", ""},
  };
  for (const auto& [dos, posix] : cases) EXPECT_EQ(DosToPosix(dos), posix) << dos;
}

TEST(Names, DosDeviceNamesAreKnownWithAnyExtensionAndCase) {
  for (const char* device : {"NUL.sqr", "CON.sqr", "AUX.sqr", "PRN.sqr", "COM1.sqr", "LPT1.sqr",
                             "nul", "Con.txt.sqr", "com9.sqr", "LPT\xb9.sqr", "NUL  .sqr", "aux"})
    EXPECT_TRUE(IsDosDeviceName(device)) << device;
  for (const char* file : {"NULL.sqr", "CONS.sqr", "COM0.sqr", "COM10.sqr", "LPT.sqr", ".sqr",
                           "xNUL.sqr", "NUL_.sqr", "\xc4UX.sqr", ""})
    EXPECT_FALSE(IsDosDeviceName(file)) << file;
}

// A directory tree for the resolver, and a count of how often each
// directory was listed.  A directory is known by its first spelling in
// `dirs`; `same_as` gives it other spellings, as links and "./" do.
struct Tree {
  std::map<std::string, std::vector<std::string>> dirs;
  std::map<std::string, std::string> same_as;
  std::map<std::string, int> listed;
  std::string failing;  // a directory whose listing fails partway

  std::string Canonical(const std::string& dir) const {
    auto alias = same_as.find(dir);
    return alias == same_as.end() ? dir : alias->second;
  }
  DirSource Source() {
    return {[this](const std::string& dir) {
              auto it = dirs.find(Canonical(dir));
              if (it == dirs.end()) return FileKey();
              return FileKey{1, static_cast<std::uint64_t>(std::distance(dirs.begin(), it)) + 1};
            },
            [this](const std::string& dir, std::vector<std::string>* names) {
              ++listed[Canonical(dir)];
              if (Canonical(dir) == failing) return ErrorCode{223};
              auto it = dirs.find(Canonical(dir));
              if (it != dirs.end()) *names = it->second;
              return kOk;
            },
            [this](const std::string& path) {
              const std::size_t slash = path.rfind('/');
              const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
              auto it = dirs.find(Canonical(dir == "./" ? "." : dir));
              if (it == dirs.end()) return false;
              const std::string leaf = path.substr(slash + 1);
              return std::find(it->second.begin(), it->second.end(), leaf) != it->second.end();
            }};
  }
};

// The resolved name, or "error N".
std::string Resolve(NameResolver& r, std::string_view name) {
  std::string path;
  const ErrorCode code = r.Resolve(name, &path);
  return code == kOk ? path : "error " + std::to_string(code);
}

TEST(Names, EachComponentIsFoundIgnoringCaseUnlessItExistsExactly) {
  Tree t;
  t.dirs["/"] = {"srv", "SRV2"};
  t.dirs["/srv/"] = {"bbs"};
  t.dirs["/srv/bbs/"] = {"rules", "Rules", "RULES2"};
  t.dirs["/srv/bbs/Rules/"] = {"files.bbs"};
  t.dirs["/srv/bbs/rules/"] = {"FILES.BBS", "Files.Bbs", "a.rul"};
  NameResolver r(t.Source());
  // Often enough that the first lookups in a directory, which scan it, and
  // the later ones, which use its index, must agree.
  for (int round = 0; round < 20; ++round) {
    EXPECT_EQ(Resolve(r, "C:\\SRV\\BBS\\RULES\\files.bbs"), "/srv/bbs/Rules/files.bbs");
    EXPECT_EQ(Resolve(r, "\\srv\\bbs\\rules\\files.bbs"), "/srv/bbs/rules/FILES.BBS");
    EXPECT_EQ(Resolve(r, "\\srv\\bbs\\rules\\Files.bbs"), "/srv/bbs/rules/FILES.BBS");
    EXPECT_EQ(Resolve(r, "\\srv\\bbs\\rules\\Files.Bbs"), "/srv/bbs/rules/Files.Bbs");
    EXPECT_EQ(Resolve(r, "\\srv\\bbs\\rules\\A.RUL"), "/srv/bbs/rules/a.rul");
    EXPECT_EQ(Resolve(r, "\\SRV2\\x"), "/SRV2/x");
    EXPECT_EQ(Resolve(r, "\\srv\\bbs\\rules\\new.sqr"), "/srv/bbs/rules/new.sqr");
    EXPECT_EQ(Resolve(r, "\\SRV\\missing\\X"), "/srv/missing/X");
  }
}

TEST(Names, RelativeNamesAreLookedUpInTheCurrentDirectory) {
  Tree t;
  t.dirs["."] = {"rules", "tesvak.cfg"};
  t.dirs["rules/"] = {"Files.bbs"};
  NameResolver r(t.Source());
  EXPECT_EQ(Resolve(r, "TESVAK.CFG"), "tesvak.cfg");
  EXPECT_EQ(Resolve(r, "RULES\\files.bbs"), "rules/Files.bbs");
}

TEST(Names, EveryDirectoryIsListedOnceWhateverTheNumberOfNames) {
  Tree t;
  t.dirs["."] = {"rules", "out"};
  t.dirs["rules/"] = {"a.rul", "b.rul"};
  t.dirs["out/"] = {};
  NameResolver r(t.Source());
  for (int i = 0; i < 100; ++i) {
    Resolve(r, "RULES\\A.RUL");
    Resolve(r, "RULES\\B.RUL");
    Resolve(r, "OUT\\X.sqr");
  }
  EXPECT_EQ(t.listed["."], 1);
  EXPECT_EQ(t.listed["rules/"], 1);
  EXPECT_EQ(t.listed["out/"], 1);
}

TEST(Names, ACreatedFileIsFoundByLaterNamesInAnotherCase) {
  Tree t;
  t.dirs["."] = {"out"};
  t.dirs["out/"] = {};
  NameResolver r(t.Source());
  std::string made;
  NameResolver::Where where;
  ASSERT_EQ(r.Resolve("OUT\\Area.sqr", &made, &where), kOk);
  EXPECT_EQ(made, "out/Area.sqr");
  EXPECT_FALSE(where.found);
  r.NoteCreated(where.dir, "Area.sqr");
  EXPECT_EQ(Resolve(r, "OUT\\AREA.sqr"), "out/Area.sqr");
}

TEST(Names, ADirectoryIsOneHoweverItIsSpelled) {
  Tree t;
  t.dirs["."] = {"rules", "link"};
  t.dirs["rules/"] = {"a.rul"};
  t.same_as = {{"./", "."}, {"./rules/", "rules/"}, {"link/", "rules/"}, {"/bbs/rules/", "rules/"}};
  NameResolver r(t.Source());
  for (int i = 0; i < 20; ++i) {  // scanned at first, then indexed
    EXPECT_EQ(Resolve(r, "RULES\\A.RUL"), "rules/a.rul");
    EXPECT_EQ(Resolve(r, ".\\RULES\\A.RUL"), "./rules/a.rul");
    EXPECT_EQ(Resolve(r, "LINK\\A.RUL"), "link/a.rul");
  }
  EXPECT_EQ(t.listed["rules/"], 1);
  // A file made under one spelling is found under every other at once.
  std::string made;
  NameResolver::Where where;
  ASSERT_EQ(r.Resolve(".\\RULES\\Area.sqr", &made, &where), kOk);
  r.NoteCreated(where.dir, "Area.sqr");
  EXPECT_EQ(Resolve(r, "RULES\\AREA.SQR"), "rules/Area.sqr");
  EXPECT_EQ(Resolve(r, "LINK\\area.sqr"), "link/Area.sqr");
  EXPECT_EQ(Resolve(r, "\\bbs\\rules\\AREA.sqr"), "/bbs/rules/Area.sqr");
}

TEST(Names, AListingThatFailsPartwayIsAnErrorNotAnEmptyDirectory) {
  Tree t;
  t.dirs["."] = {"rules"};
  t.dirs["rules/"] = {"files.bbs"};
  t.failing = "rules/";
  NameResolver r(t.Source());
  EXPECT_EQ(Resolve(r, "RULES\\FILES.BBS"), "error 223");
  EXPECT_EQ(Resolve(r, "RULES\\OTHER"), "error 223");
  EXPECT_EQ(Resolve(r, "TESVAK.CFG"), "TESVAK.CFG");  // the current directory lists fine
}

}  // namespace
}  // namespace tesvak
