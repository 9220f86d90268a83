#!/usr/bin/env python3
"""Checks the Bible references and quotations of the authored texts against the scripture.

A reference is written in one style only: the book's abbreviation from books.tsv, a space,
chapter.verse, inside parentheses, several of them separated by "; ", each with its book:
(Gn 1.1), (1Sm 3.1-10), (Gn 12.1, 4-5), (Gn 1.1-2.3), (Sl 23), (Ap 21-22), (Mt 5.3; Lc 6.20).

A quotation is a text in double quotes followed directly by such a reference. It must be the
text of the cited verses, read in the order cited, word for word. Allowed differences:
letter case, punctuation and spacing, the spelling of today (the fold below), and "…" for
words left out. Nothing else: no word changed, added, moved or cut short.

Run: citacoes.py --scripture DIR TEXT_FOLDER...  (DIR holds almeida1911.tsv and books.tsv)
Prints every fault as "file:line: message" and exits 1 when there is one.
"""

import argparse
import re
import sys
import unicodedata
from pathlib import Path

ELLIPSIS = "\u2026"

# Old spelling -> today's, applied in order to one lower-case word without accents or
# apostrophes ("ç" read as "s"), on both sides, so that "Christo" meets "Cristo", "d'elle"
# meets "dele" and "cançar" meets "cansar".
SPELLING = [
    (r"^egre", "igre"),  # egreja
    (r"^egua", "igua"),  # egual
    (r"^cous", "cois"),  # cousa
    (r"^dous$", "dois"),
    (r"^logar", "lugar"),
    (r"veiu$", "veio"),  # veiu, sobreveiu
    (r"eo(s?)$", r"eu\1"),  # cananeo
    (r"on$", "ao"),  # Gideon, Sion
    (r"chr", "cr"),  # Christo
    (r"sch", "sc"),  # paschoa
    (r"ph", "f"),  # propheta
    (r"th", "t"),  # Thomé
    (r"rh", "r"),
    (r"(?<![cln])h", ""),  # Abrahão, sahiu, far-te-hei
    (r"y", "i"),  # Egypto
    (r"^sc(?=[ei])", "c"),  # sciencia
    (r"c(?=[ei])", "s"),  # cancemos
    (r"[cp](?=[tcs])", ""),  # fructo, escripto, afflicção, psalmo
    (r"x(?=[^aeiou])", "s"),  # dextra
    (r"m(?=[^aeiou])", "n"),  # bemdito, comtigo
    (r"z", "s"),  # vasia, Satanaz
    (r"(.)\1", r"\1"),  # elle, peccado, teem
    (r"ae", "ai"),  # Pae, sejaes
    (r"e(?=[ao])", "i"),  # creou, creatura, Galilea
]
SPELLING = [(re.compile(p), r) for p, r in SPELLING]


def strip_accents(text):
    decomposed = unicodedata.normalize("NFD", text)
    return "".join(c for c in decomposed if unicodedata.category(c) != "Mn")


def fold_word(word):
    word = word.lower().replace("ç", "s").replace("'", "").replace("\u2019", "")
    word = strip_accents(word)
    for pattern, replacement in SPELLING:
        word = pattern.sub(replacement, word)
    return word


def words(text):
    """The words of a text, apostrophes kept inside them; hyphens and punctuation split."""
    return re.findall(r"[^\W_]+(?:['\u2019][^\W_]+)*", text)


class Scripture:
    def __init__(self, folder):
        folder = Path(folder)
        self.books = {}  # abbreviation -> (order, chapters)
        self.orders = {}  # abbreviation or name -> order
        for line in (folder / "books.tsv").read_text(encoding="utf-8").splitlines():
            if not line or line.startswith("#"):
                continue
            order, _code, name, abbreviation, _period, chapters = line.split("\t")
            self.books[abbreviation] = (int(order), int(chapters))
            self.orders[abbreviation] = self.orders[name] = int(order)
        self.verses = {}  # (order, chapter) -> {verse: text}
        for line in (folder / "almeida1911.tsv").read_text(encoding="utf-8").splitlines():
            if not line or line.startswith("#"):
                continue
            order, _period, _book, chapter, verse, text = line.split("\t")
            self.verses.setdefault((int(order), int(chapter)), {})[int(verse)] = text

    def last_verse(self, order, chapter):
        chapter_verses = self.verses.get((order, chapter))
        return max(chapter_verses) if chapter_verses else 0


class ReferenceError(ValueError):
    pass


NUMBER = r"[1-9][0-9]*"
VERSES = rf"{NUMBER}(?:-{NUMBER})?(?:, {NUMBER}(?:-{NUMBER})?)*"
ONE_REFERENCE = re.compile(
    rf"(?P<book>\S+) (?:(?P<c1>{NUMBER})\.(?P<v1>{NUMBER})-(?P<c2>{NUMBER})\.(?P<v2>{NUMBER})"
    rf"|(?P<chapter>{NUMBER})\.(?P<verses>{VERSES})"
    rf"|(?P<from>{NUMBER})(?:-(?P<to>{NUMBER}))?)"
)


def parse_group(text, scripture):
    """The cited verses of a reference group, one list of (order, chapter, verse) per reference.
    Raises ReferenceError when the group is not in the house style or cites no real verse."""
    cited = []
    for piece in text.split("; "):
        match = ONE_REFERENCE.fullmatch(piece)
        if not match:
            raise ReferenceError(f"not in the reference style (Gn 1.1, 1Co 13.4-7): ({text})")
        book = match["book"]
        if book not in scripture.books:
            raise ReferenceError(f"unknown book abbreviation {book!r} in ({text})")
        order, chapters = scripture.books[book]

        def verse_exists(chapter, verse):
            if not 1 <= chapter <= chapters or verse not in scripture.verses[(order, chapter)]:
                raise ReferenceError(f"{book} {chapter}.{verse} does not exist, in ({text})")

        def chapter_exists(chapter):
            if not 1 <= chapter <= chapters:
                raise ReferenceError(f"{book} {chapter} does not exist, in ({text})")

        verses = []
        if match["c1"]:
            start, end = (int(match["c1"]), int(match["v1"])), (int(match["c2"]), int(match["v2"]))
            verse_exists(*start)
            verse_exists(*end)
            if end[0] <= start[0]:
                raise ReferenceError(f"a range across chapters must go forward: ({text})")
            for chapter in range(start[0], end[0] + 1):
                first = start[1] if chapter == start[0] else 1
                last = end[1] if chapter == end[0] else scripture.last_verse(order, chapter)
                verses += [(order, chapter, v) for v in range(first, last + 1)]
        elif match["chapter"]:
            chapter = int(match["chapter"])
            chapter_exists(chapter)
            for span in match["verses"].split(", "):
                first, _, last = span.partition("-")
                first, last = int(first), int(last or first)
                verse_exists(chapter, first)
                verse_exists(chapter, last)
                if "-" in span and last <= first:
                    raise ReferenceError(f"a verse range must go forward: ({text})")
                verses += [(order, chapter, v) for v in range(first, last + 1)]
        else:
            if chapters == 1:
                raise ReferenceError(
                    f"{book} has one chapter: cite its verses as {book} 1.2: ({text})"
                )
            first, last = int(match["from"]), int(match["to"] or match["from"])
            chapter_exists(first)
            chapter_exists(last)
            if match["to"] and last <= first:
                raise ReferenceError(f"a chapter range must go forward: ({text})")
            for chapter in range(first, last + 1):
                verses += [(order, chapter, v) for v in sorted(scripture.verses[(order, chapter)])]
        cited.append(verses)
    return cited


def folded_run(text):
    """The folded words of a text joined into one run of letters, with the offsets where
    each word starts and ends, so that "por que" and "porque" give the same run."""
    run, starts, ends = "", set(), set()
    for word in words(text):
        starts.add(len(run))
        run += fold_word(word)
        ends.add(len(run))
    return run, starts, ends


def quotation_fault(quotation, cited, scripture):
    """None when the quotation is the text of the cited verses as allowed, else what is wrong."""
    if "..." in quotation:
        return 'left-out words are marked with "\u2026", not "..."'
    pieces = [folded_run(piece)[0] for piece in quotation.split(ELLIPSIS)]
    pieces = [piece for piece in pieces if piece]
    if not pieces:
        return "the quotation holds no words"
    # Each reference on its own, so that no piece runs from one passage into the next.
    for verses in cited:
        run, starts, ends = folded_run(cited_text([verses], scripture))
        at = 0
        for piece in pieces:
            found = next(
                (s for s in sorted(starts)
                 if s >= at and run.startswith(piece, s) and s + len(piece) in ends),
                None,
            )
            if found is None:
                break
            at = found + len(piece)
        else:
            return None
    return "the quotation is not the text of the cited verses"


def cited_text(cited, scripture):
    return " / ".join(
        " ".join(scripture.verses[(o, c)][v] for o, c, v in verses) for verses in cited
    )


def paragraphs(text):
    """(first line number, paragraph text) for each paragraph, lines joined by spaces."""
    result, lines, first = [], [], 0
    for number, line in enumerate(text.splitlines() + [""], start=1):
        if line.strip():
            if not lines:
                first = number
            lines.append(line.strip())
        elif lines:
            result.append((first, " ".join(lines)))
            lines = []
    return result


class Checker:
    def __init__(self, scripture):
        self.scripture = scripture
        self.faults = []
        self.quotations = 0
        self.references = 0
        # Any book, abbreviated or named, its numeral written with or without a space.
        self.book_of = {}
        alternatives = []
        for name, order in scripture.orders.items():
            key = name.replace(" ", "")
            self.book_of[key] = order
            numeral = key[0] in "123"
            alternatives.append((key[0] + " ?" if numeral else "") + re.escape(key[numeral:]))
        book = "(?:" + "|".join(sorted(alternatives, key=len, reverse=True)) + ")"
        self.group_with_book = re.compile(rf"(?<!\w){book}\.? ?\d")
        self.bare_reference = re.compile(
            rf"(?<!\w)(?P<book>{book})\.? (?P<chapter>{NUMBER})[.:,](?P<verse>{NUMBER})"
        )

    def fault(self, where, message):
        self.faults.append(f"{where}: {message}")

    def check_text(self, name, text):
        for line, paragraph in paragraphs(text):
            where = f"{name}:{line}"
            groups = {}
            for match in re.finditer(r"\(([^()]*)\)", paragraph):
                if not self.group_with_book.search(match[1]):
                    continue
                self.references += 1
                try:
                    groups[match.start()] = parse_group(match[1], self.scripture)
                except ReferenceError as error:
                    self.fault(where, str(error))
            self.check_bare_references(where, re.sub(r"\([^()]*\)", "", paragraph))
            marks = [at for at, c in enumerate(paragraph) if c == '"']
            if len(marks) % 2:
                self.fault(where, "unbalanced double quotes")
                continue
            for opening, closing in zip(marks[::2], marks[1::2]):
                # A quotation: its closing mark, a space, then its reference group.
                cited = groups.get(closing + 2)
                if cited is None or paragraph[closing + 1] != " ":
                    continue
                self.quotations += 1
                quotation = paragraph[opening + 1 : closing]
                fault = quotation_fault(quotation, cited, self.scripture)
                if fault:
                    self.fault(
                        where,
                        f'{fault}:\n    quoted: "{quotation}"\n'
                        f"    1911:   {cited_text(cited, self.scripture)}",
                    )

    def check_bare_references(self, where, prose):
        """A real verse named in running text belongs in parentheses."""
        for match in self.bare_reference.finditer(prose):
            order = self.book_of[match["book"].replace(" ", "")]
            chapter_verses = self.scripture.verses.get((order, int(match["chapter"])), {})
            if int(match["verse"]) in chapter_verses:
                self.fault(where, f"reference outside parentheses: {match[0]!r}")

    def check_folders(self, folders):
        for folder in folders:
            for path in sorted(Path(folder).rglob("*.txt")):
                self.check_text(str(path), path.read_text(encoding="utf-8"))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scripture", required=True, help="folder of almeida1911.tsv, books.tsv")
    parser.add_argument("folders", nargs="+", help="folders of authored .txt files")
    args = parser.parse_args(argv)
    checker = Checker(Scripture(args.scripture))
    checker.check_folders(args.folders)
    for fault in checker.faults:
        print(fault)
    print(
        f"{checker.quotations} quotations and {checker.references} references checked, "
        f"{len(checker.faults)} faults"
    )
    if checker.quotations == 0:
        print("no quotation found: the texts were not read")
        return 1
    return 1 if checker.faults else 0


if __name__ == "__main__":
    sys.exit(main())
