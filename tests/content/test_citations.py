"""Tests of the quotation and reference check, against the real scripture file."""

import contextlib
import io
import os
import tempfile
import unittest
from pathlib import Path

import citacoes

SCRIPTURE_DIR = os.environ["TOVELO_SCRIPTURE_DIR"]
SCRIPTURE = citacoes.Scripture(SCRIPTURE_DIR)


def verses(group):
    return [(c, v) for cited in citacoes.parse_group(group, SCRIPTURE) for _, c, v in cited]


def fault(quotation, group):
    return citacoes.quotation_fault(quotation, citacoes.parse_group(group, SCRIPTURE), SCRIPTURE)


class References(unittest.TestCase):
    def test_every_accepted_form_cites_its_verses(self):
        self.assertEqual(verses("Gn 12.1, 4-5"), [(12, 1), (12, 4), (12, 5)])
        self.assertEqual(verses("Gn 1.31-2.2"), [(1, 31), (2, 1), (2, 2)])
        self.assertEqual(verses("Sl 117"), [(117, 1), (117, 2)])
        self.assertEqual(len(verses("Ap 21-22")), 27 + 21)
        self.assertEqual(verses("1Co 13.13; Jd 1.25"), [(13, 13), (1, 25)])

    def test_other_styles_and_missing_verses_are_refused(self):
        for group in ["1 Co 13.4", "Gn 1:1", "Gn 12.1; 15.6", "Gn 12.1, 15.6", "Gên 1.1",
                      "Gn 1.3-1", "Gn 2.3-1.31", "Fm 1", "Gn 51.1", "Gn 1.32", "Sl 151"]:
            with self.subTest(group=group), self.assertRaises(citacoes.ReferenceError):
                citacoes.parse_group(group, SCRIPTURE)


class Quotations(unittest.TestCase):
    def test_the_1911_words_in_either_spelling_pass(self):
        for quotation, group in [
            (SCRIPTURE.verses[(1, 1)][1], "Gn 1.1"),  # as the scripture file writes it
            ("No princípio criou Deus os céus e a terra", "Gn 1.1"),
            ("Cristo, nossa páscoa, foi sacrificado por nós", "1Co 5.7"),
            ("Portanto desci para livrá-lo", "Êx 3.8"),
            ("Meu Deus, meu Deus, por que me desamparaste?", "Sl 22.1"),
            ("muito bom… Assim os céus", "Gn 1.31-2.1"),
            ("Onde estás?", "Gn 1.1; Gn 3.9"),
        ]:
            with self.subTest(quotation=quotation):
                self.assertIsNone(fault(quotation, group))

    def test_other_wording_fails(self):
        for quotation, group in [
            ("No princípio, Deus criou os céus e a terra", "Gn 1.1"),  # a modern translation
            ("Não há justo, nem um sequer", "Rm 3.10"),
            ("No princípio criou Deus os céus", "Gn 1.2"),  # the wrong verse
            ("No princípio criou Deus os céus e toda a terra", "Gn 1.1"),  # a word added
            ("No princípio criou os céus e a terra", "Gn 1.1"),  # a word left out silently
            ("a terra… No princípio", "Gn 1.1"),  # pieces out of order
            ("criou Deus os céus e a ter", "Gn 1.1"),  # a word cut short
            ("E disse Deus… viu Deus que era boa", "Gn 1.3; Gn 1.4"),  # a piece from each
            ("E disse Deus: Haja luz... e houve luz", "Gn 1.3"),  # three dots
        ]:
            with self.subTest(quotation=quotation):
                self.assertIsNotNone(fault(quotation, group))

    def test_the_spelling_fold_keeps_other_words_apart(self):
        for old, new in [("elles", "ele"), ("vós", "vocês"), ("pelejará", "lutará"), ("teu", "seu")]:
            self.assertNotEqual(citacoes.fold_word(old), citacoes.fold_word(new), old)


class Texts(unittest.TestCase):
    def test_each_fault_is_found_with_its_line_and_plain_numbers_pass(self):
        checker = citacoes.Checker(SCRIPTURE)
        checker.check_text("t.txt", 'Título\n\nUm "No princípio, Deus criou" (Gn 1.1).\n\n'
                           "Outro, em Isaías 53.5, e (1 Co 13.4).\n\nAspas \"sem fim (Gn 1.1).\n\n"
                           "Cerca de 1.500 pessoas (ano 1.500) e Os 2.500 soldados.")
        self.assertEqual([f.split(": ")[0] for f in checker.faults],
                         ["t.txt:3", "t.txt:5", "t.txt:5", "t.txt:7"])
        self.assertIn("outside parentheses", checker.faults[1] + checker.faults[2])

    def test_the_command_fails_on_faults_and_on_texts_without_quotations(self):
        runs = {}
        with tempfile.TemporaryDirectory() as folder:
            text = Path(folder) / "a.txt"
            for name, body in [("clean", '"Haja luz" (Gn 1.3), disse, "em casa".'),
                               ("fault", '"Haja sol" (Gn 1.3)'), ("none", "Haja luz (Gn 1.3).")]:
                text.write_text("Título\n\n" + body + "\n", encoding="utf-8")
                with contextlib.redirect_stdout(io.StringIO()) as out:
                    runs[name] = citacoes.main(["--scripture", SCRIPTURE_DIR, folder])
                if name == "fault":
                    self.assertIn(f"{text}:3: the quotation is not", out.getvalue())
        self.assertEqual(runs, {"clean": 0, "fault": 1, "none": 1})


if __name__ == "__main__":
    unittest.main()
