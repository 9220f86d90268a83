#!/usr/bin/env python3
"""Writes the list of every word of the 1911 scripture with its spelling today.

Each word (letters joined by apostrophes and hyphens, as the text writes it) gets the spelling the
program's rules give it (tovelo-grafia), with today's accents where the Brazilian dictionary of
hunspell knows the word, unless correcoes.tsv beside this script says otherwise: those are the
words corrected by hand. A word the rules spell otherwise than the list is marked in the last
column; the spelling test checks every other word against the rules.

usage: lista.py SCRIPTURE_TSV TOVELO_GRAFIA OUTPUT_TSV
"""
import collections
import os
import re
import subprocess
import sys
import unicodedata

TOKEN = re.compile(r"[^\W\d_]+(?:['’-][^\W\d_]+)*")


def fold(text):
    text = unicodedata.normalize('NFD', text.lower())
    return ''.join(c for c in text if unicodedata.category(c) != 'Mn')


def words_of(scripture):
    """Each word by its lower-case form: how often it occurs, and how to write it in the list
    (with its capital when the text always writes it so)."""
    count = collections.Counter()
    forms = collections.defaultdict(collections.Counter)
    with open(scripture, encoding='utf-8') as lines:
        for line in lines:
            if line.startswith('#'):
                continue
            for word in TOKEN.findall(line.rstrip('\n').split('\t')[5]):
                word = word.replace('’', "'")
                count[word.lower()] += 1
                forms[word.lower()][word] += 1
    written = {}
    for key, seen in forms.items():
        small = [w for w in seen if not w[0].isupper()]
        written[key] = max(small or seen, key=lambda w: seen[w])
    return count, written


def rules(grafia, words):
    # Each word as in the middle of a sentence, where a capital tells a name.
    out = subprocess.run([grafia], input=''.join(f'a {w}\n' for w in words),
                         capture_output=True, text=True, check=True).stdout.splitlines()
    return [line.split('\t')[0][2:] for line in out]


def accented(spellings):
    """Today's accents from hunspell's Brazilian dictionary, part by part of a hyphenated word."""
    # Names are left as the rules write them: the dictionary knows few of them.
    parts = sorted({p for s in spellings for p in re.split(r"[-' ]", s) if p and p.islower()})
    checked = subprocess.run(['hunspell', '-d', 'pt_BR', '-a'], input='\n'.join(parts) + '\n',
                             capture_output=True, text=True, check=True).stdout.splitlines()[1:]
    better = {}
    answers = iter(a for a in checked if a)
    for part in parts:
        answer = next(answers, '*')
        if answer.startswith('&'):
            suggestions = answer.split(': ', 1)[1].split(', ')
            same = [s for s in suggestions if fold(s) == fold(part)]
            if same:
                better[part] = same[0]
    return [re.sub(r"[^-' ]+", lambda m: better.get(m.group(0), m.group(0)), s)
            for s in spellings]


def corrections(path):
    fixed = {}
    if os.path.exists(path):
        with open(path, encoding='utf-8') as lines:
            for line in lines:
                if line.strip() and not line.startswith('#'):
                    old, today = line.rstrip('\n').split('\t')
                    fixed[old.lower()] = today
    return fixed


def main():
    scripture, grafia, output = sys.argv[1:4]
    count, written = words_of(scripture)
    keys = sorted(count, key=lambda k: (fold(k), k))
    listed = [written[k] for k in keys]
    by_rules = rules(grafia, listed)
    today = accented(by_rules)
    fixed = corrections(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'correcoes.tsv'))
    with open(output, 'w', encoding='utf-8') as out:
        out.write('# Cada palavra da Almeida 1911, como o texto a escreve; como se escreve hoje '
                  '(vazio: igual);\n# quantas vezes o texto a escreve; "≠" onde as regras da '
                  'busca a escrevem de outro modo.\n# Feita por tools/grafia/lista.py; as '
                  'correções à mão estão em tools/grafia/correcoes.tsv.\n')
        for key, word, rule, spelled in zip(keys, listed, by_rules, today):
            spelled = fixed.get(key, spelled)
            differs = '≠' if fold(spelled) != fold(rule) else ''
            out.write(f'{word}\t{"" if spelled == word else spelled}\t{count[key]}\t{differs}\n')


main()
