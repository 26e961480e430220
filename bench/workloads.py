"""Deterministic workloads for the benchmark.

Each workload is a directory holding tesvak.cfg, a Squish configuration, a
rules directory with files.bbs and the rules files, and an empty output
directory, plus pairs.txt: the source/destination copies the job implies, in
order, for the floor program.
"""

import os
import random

SEED = 20261208

SQUISH_HEAD = (
    "; Squish configuration\r\n"
    "Address      2:5020/1042\r\n"
    "Origin       The Lighthouse BBS\r\n"
    "Compress     compress.cfg\r\n"
    "Routing      route.cfg\r\n"
    "NetArea      NETMAIL   c:\\max\\msg\\netmail  -$\r\n"
    "BadArea      BAD_MSGS  c:\\max\\msg\\badmsgs  -$\r\n"
    "DupeArea     DUPES     c:\\max\\msg\\dupes    -$\r\n"
)

WORDS = ("rules", "of", "the", "area", "moderator", "sysop", "echo", "mail", "fido",
         "net", "stay", "on", "topic", "quote", "no", "ads", "be", "polite")


class Sizes:
    def __init__(self, small):
        self.areas = 99 if small else 999
        self.rules_bytes = 4096
        self.many_lines = 20_000 if small else 1_000_000
        self.big_bytes = (8 if small else 1024) << 20
        self.long_line = (2 if small else 200) << 20
        self.case_variants = 3_000 if small else 30_000


def tag(n):
    groups = ("FIDO", "R50", "SU", "RU", "NET", "LOCAL")
    return "%s.AREA%d" % (groups[n % len(groups)], n)


def rules_text(rng, n, size):
    head = ("Rules of %s\r\n\r\n" % tag(n)).encode()
    body = bytearray(head)
    while len(body) < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 12)))
        body += line.encode() + b"\r\n"
    return bytes(body[:size])


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


class Layout:
    """Names of one workload; `lower` writes settings and names in lower case
    on disk but upper case in the files, so every name needs the lookup."""

    def __init__(self, root, lower=False):
        self.root = root
        self.lower = lower
        case = str.lower if lower else str.upper
        self.squish = case("squish.cfg")
        self.rules = case("rules")
        self.out = case("out")
        self.case = case

    def rule_file(self, n):
        return self.case("rule%d.txt" % n)

    def base(self, n):
        return self.case("base%d" % n)

    def settings(self):
        if self.lower:  # absolute, so every component from / down is looked up
            names = [os.path.join(self.root, n).lower() for n in (self.squish, self.rules, self.out)]
        else:
            names = [self.squish, self.rules, self.out]
        text = "; benchmark settings\r\nSquishFile %s\r\nRulesPath %s\r\nOutDir %s\r\n" % tuple(
            names)
        return text.lower() if self.lower else text

    def pair(self, n):
        return "%s/%s/%s\t%s/%s/%s.sqr\n" % (self.root, self.rules, self.rule_file(n),
                                            self.root, self.out, self.base(n))


def squish_config(layout, areas):
    lines = [SQUISH_HEAD]
    for n in range(1, areas + 1):
        lines.append("EchoArea     %-16s c:\\max\\msg\\%s  -$m500 -p2:5020/1042 2:5020/0\r\n"
                     % (tag(n), layout.base(n)))
    return "".join(lines)


def list_line(name, n, tagname):
    return "%-14s 03-11-26  4k  %-16s Rules of area %d\r\n" % (name, tagname, n)


def common(layout, sizes, rng, list_body, pairs, big=False):
    root = layout.root
    write(os.path.join(root, "tesvak.cfg"), layout.settings())
    write(os.path.join(root, layout.squish), squish_config(layout, sizes.areas))
    for n in [1] if big else range(1, sizes.areas + 1):
        path = os.path.join(root, layout.rules, layout.rule_file(n))
        if big:
            write_big(path, sizes.big_bytes, rng)
        else:
            write(path, rules_text(rng, n, sizes.rules_bytes))
    write(os.path.join(root, layout.rules, "files.bbs" if layout.lower else "FILES.BBS"), list_body)
    os.makedirs(os.path.join(root, layout.out), exist_ok=True)
    with open(os.path.join(root, "pairs.txt"), "w") as f:
        f.writelines(pairs)


def write_big(path, size, rng):
    block = bytes(rng.getrandbits(8) for _ in range(1 << 16))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        left = size
        while left:
            chunk = block[: min(left, len(block))]
            f.write(chunk)
            left -= len(chunk)


def typical(root, sizes, lower=False, long_line=False):
    rng = random.Random(SEED)
    layout = Layout(root, lower)
    names = {n: (layout.rule_file(n).upper() if lower else layout.rule_file(n)) for n in range(1, sizes.areas + 1)}
    body = "; rules of the echo areas\r\n"
    if long_line:
        words = []
        length = 0
        while length < sizes.long_line:
            w = rng.choice(WORDS)
            words.append(w)
            length += len(w) + 1
        body += "LONG.TXT 03-11-26 1k NO.SUCH.AREA " + " ".join(words) + "\r\n"
    body += "".join(list_line(names[n], n, tag(n).lower() if n % 2 else tag(n))
                    for n in range(1, sizes.areas + 1))
    common(layout, sizes, rng, body, [layout.pair(n) for n in range(1, sizes.areas + 1)])


# Words of a description in CP866, as Russian-language BBSes write them.
CP866_WORDS = [w.encode("cp866") for w in (
    "правила", "эхоконференции", "модератор", "сисоп", "не", "флеймить",
    "цитирование", "реклама", "запрещена", "фидо", "сеть", "тема")]
OUTPUTS = 995  # the outputs many-lines copies onto


def mixed_case(rng, text):
    return "".join(c.lower() if rng.random() < 0.5 else c for c in text)


def description(rng):
    return b" ".join(rng.choice(CP866_WORDS) for _ in range(rng.randint(3, 8)))


def many_lines(root, sizes):
    """A million lines in columns: a file name, a date, a size, a tag and a
    CP866 description, one line in three of the others a continuation of
    the description; 2% name an area, in mixed case, so 20,000 copies go
    onto 995 outputs, each made at its first copy and written again about
    20 times."""
    rng = random.Random(SEED)
    layout = Layout(root)
    lines, pairs = [b"; a very long rules list\r\n"], []
    pad = b" " * 31
    for i in range(1, sizes.many_lines + 1):
        if i % 50 == 0:  # 2% of the lines name a known area
            n = rng.randint(1, min(OUTPUTS, sizes.areas))
            lines.append(("%-14s 03-11-26  4k  %-16s " % (layout.rule_file(n),
                                                          mixed_case(rng, tag(n)))).encode()
                         + description(rng) + b"\r\n")
            pairs.append(layout.pair(n))
        elif i % 3 == 0:
            lines.append(pad + b"| " + description(rng) + b"\r\n")
        else:
            lines.append(("%-14s 03-11-26  4k  %-16s " % ("OTHER%d.TXT" % i,
                                                          "UNKNOWN.AREA%d" % i)).encode()
                         + description(rng) + b"\r\n")
    common(layout, sizes, rng, b"".join(lines), pairs)


def big_file(root, sizes):
    rng = random.Random(SEED)
    layout = Layout(root)
    body = list_line(layout.rule_file(1), 1, tag(1))
    common(layout, sizes, rng, body, [layout.pair(1)], big=True)


def case_variants(root, sizes):
    """A rules directory of names in two letter cases (r00001.rul and
    R00001.rul, different files) and a files.bbs that spells each a third
    way (r00001.RUL), every line naming an area: each name is found ignoring
    case, the byte-wise smallest spelling (R00001.rul) counting, in a
    directory where every name has another of its kind."""
    rng = random.Random(SEED)
    layout = Layout(root)
    lines, pairs = ["; rules in two letter cases\r\n"], []
    for i in range(1, sizes.case_variants + 1):
        for spelling in ("r%05d.rul" % i, "R%05d.rul" % i):
            write(os.path.join(root, layout.rules, spelling),
                  ("%s\r\n" % spelling) + " ".join(rng.choice(WORDS) for _ in range(8)))
        n = 1 + i % sizes.areas
        lines.append(list_line("r%05d.RUL" % i, n, tag(n)))
        pairs.append("%s/%s/R%05d.rul\t%s/%s/%s.sqr\n" % (root, layout.rules, i, root, layout.out,
                                                           layout.base(n)))
    write(os.path.join(root, "tesvak.cfg"), layout.settings())
    write(os.path.join(root, layout.squish), squish_config(layout, sizes.areas))
    write(os.path.join(root, layout.rules, "FILES.BBS"), "".join(lines))
    os.makedirs(os.path.join(root, layout.out), exist_ok=True)
    with open(os.path.join(root, "pairs.txt"), "w") as f:
        f.writelines(pairs)


WORKLOADS = {
    "typical": lambda root, sizes: typical(root, sizes),
    "many-lines": many_lines,
    "big-file": big_file,
    "long-line": lambda root, sizes: typical(root, sizes, long_line=True),
    "lower": lambda root, sizes: typical(root, sizes, lower=True),
    "case-variants": case_variants,
}
