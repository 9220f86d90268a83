#!/usr/bin/env python3
"""Recall and wrong extras of the keyword search on queries set aside while its rules were made
(reservadas.tsv beside this script).

Each query names the 1911 spellings whose today's form holds it (a regular expression over the
folded 1911 text); a verse is meant when it matches them, or holds the folded query itself in a
word not listed as losing it today. The search is the whole tovelo-busca process.

usage: reservadas.py TOVELO_BUSCA DATABASE SCRIPTURE_TSV QUERIES_TSV [--details FILE]
"""
import collections
import re
import subprocess
import sys
import unicodedata


def fold(text):
    text = unicodedata.normalize('NFD', text.lower())
    return ''.join(c for c in text if unicodedata.category(c) != 'Mn')


def word_at(text, start, end):
    while start > 0 and (text[start - 1].isalpha() or text[start - 1] in "-'"):
        start -= 1
    while end < len(text) and (text[end].isalpha() or text[end] in "-'"):
        end += 1
    return text[start:end]


def meant(verses, query, spellings, losing):
    wanted = fold(query)
    pattern = re.compile(spellings)
    found = set()
    for ref, text in verses:
        if pattern.search(text):
            found.add(ref)
            continue
        at = text.find(wanted)
        while at >= 0:
            if word_at(text, at, at + len(wanted)) not in losing:
                found.add(ref)
                break
            at = text.find(wanted, at + 1)
    return found


def searched(busca, database, query):
    run = subprocess.run([busca, '--db', database, '--', query], capture_output=True, text=True)
    if run.returncode not in (0, 1):
        sys.exit(f'{busca} failed on {query!r}: {run.stderr}')
    refs = set()
    for line in run.stdout.splitlines():
        name, place = line.split('\t', 1)[0].rsplit(' ', 1)
        chapter, verse = place.split(':')
        refs.add((name, int(chapter), int(verse)))
    return refs


def main():
    busca, database, scripture, queries = sys.argv[1:5]
    details = open(sys.argv[6], 'w', encoding='utf-8') if sys.argv[5:6] == ['--details'] else None
    verses = []
    with open(scripture, encoding='utf-8') as lines:
        for line in lines:
            if not line.startswith('#'):
                _, _, name, chapter, verse, text = line.rstrip('\n').split('\t')
                verses.append(((name, int(chapter), int(verse)), fold(text)))
    totals = collections.defaultdict(lambda: [0, 0, 0, 0, 0])  # meant, found, hits, extras, exact
    with open(queries, encoding='utf-8') as lines:
        for line in lines:
            if line.startswith('#') or not line.strip():
                continue
            query, kind, spellings, losing = line.rstrip('\n').split('\t')
            want = meant(verses, query, spellings, set(filter(None, losing.split(','))))
            got = searched(busca, database, query)
            for key in (kind, 'total'):
                row = totals[key]
                row[0] += len(want)
                row[1] += len(want & got)
                row[2] += len(got)
                row[3] += len(got - want)
                row[4] += int(got == want)
            if details and got != want:
                details.write(f'{query}\tmissed {len(want - got)}\textra {len(got - want)}\t'
                              f'{sorted(want - got)[:5]}\t{sorted(got - want)[:5]}\n')
    counts = collections.Counter()
    with open(queries, encoding='utf-8') as lines:
        for line in lines:
            if not line.startswith('#') and line.strip():
                counts[line.split('\t')[1]] += 1
    counts['total'] = sum(counts.values())
    print(f'{"kind":10} {"queries":>7} {"exact":>5} {"meant":>6} {"found":>6} {"recall":>7} '
          f'{"hits":>6} {"extras":>6} {"extra%":>6}')
    for kind in sorted(totals, key=lambda k: (k == 'total', k)):
        want, hit, got, extra, exact = totals[kind]
        print(f'{kind:10} {counts[kind]:7} {exact:5} {want:6} {hit:6} {100 * hit / want:6.2f}% '
              f'{got:6} {extra:6} {100 * extra / max(got, 1):5.2f}%')


main()
