#!/usr/bin/env python3
"""The build's check of the window texts: it refuses a shared access key
and a text its control cannot show, and passes every language we ship."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import generate_resources  # noqa: E402
import window_text_check as check  # noqa: E402


class WindowTextCheckTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.measure = check.Measure()
        cls.controls = check.read_dialogs()
        strings, errors = generate_resources.load_all_strings()
        cls.errors = errors
        cls.english = strings["en"]

    def errors_with(self, changes):
        texts = dict(self.english)
        texts.update(changes)
        return check.check_window_texts({"xx": texts}, self.controls, self.measure)

    def test_every_language_passes(self):
        self.assertEqual([], self.errors)

    def test_access_keys_shared_on_one_page_are_refused(self):
        # "&Change" and "I&mport" become "&Modify" and "I&mport": both M.
        errors = self.errors_with({37016: "&Modify"})
        self.assertEqual(1, len(errors), errors)
        self.assertIn("options page: access key M of id 37016", errors[0])
        self.assertIn("id 37019", errors[0])
        # Case does not tell keys apart; "&&" is no key.
        self.assertTrue(self.errors_with({37048: "&back again"}))
        self.assertFalse(self.errors_with({37048: "Try && &Again"}))
        # Controls of different pages may share a key.
        self.assertFalse(self.errors_with({37037: "&Options"}))

    def test_texts_their_controls_cannot_show_are_refused(self):
        # The label column of the options page holds one line.
        errors = self.errors_with({37012: "Install &path of the browser here"})
        self.assertEqual(1, len(errors), errors)
        self.assertIn("id 37012", errors[0])
        self.assertIn("IDC_FOLDER_LABEL", errors[0])
        # A check box of the options page holds two lines, not three.
        two_lines = "I&mport " + "bookmarks and data " * 6
        self.assertGreater(self.measure.width(two_lines, check.DIALOG_FONT), 276)
        self.assertFalse(self.errors_with({37019: two_lines}))
        errors = self.errors_with({37019: two_lines + "from the browser you used before"})
        self.assertTrue(errors and "takes 3 lines, IDC_IMPORT_DATA has 2" in errors[0], errors)
        # A button's text is one line.
        self.assertTrue(self.errors_with({37016: "&Change the folder"}))

    def test_widths_are_in_dialog_units(self):
        letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
        self.assertAlmostEqual(4 * len(letters), self.measure.width(letters, check.DIALOG_FONT))
        self.assertAlmostEqual(2 * self.measure.width("Tarvo", check.DIALOG_FONT),
                               self.measure.width("Tarvo", (16, False)))
        # Ideographs come from the fallback font, marks take no room.
        self.assertGreater(self.measure.width("\u65e5\u672c", check.DIALOG_FONT), 8)
        self.assertEqual(self.measure.width("a", check.DIALOG_FONT),
                         self.measure.width("a\u0301", check.DIALOG_FONT))


if __name__ == "__main__":
    unittest.main()
