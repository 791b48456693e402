#!/usr/bin/env python3
"""Runs scripts/check-layers.py on small made-up source trees."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[2] / "scripts" / "check-layers.py"


def check(files):
    """Writes `files` (path -> text) into a fresh tree; returns (exit code, stdout, stderr)."""
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            path = Path(root) / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        run = subprocess.run([sys.executable, str(SCRIPT), root], capture_output=True, text=True)
        return run.returncode, run.stdout, run.stderr


class CheckLayers(unittest.TestCase):
    def test_includes_downwards_and_sideways_pass(self):
        code, out, err = check({
            "platform/Surface.h": "",
            "core/Picture.h": '#include "platform/Surface.h"\n',
            "codecs/Gif.cpp": '#include "core/Picture.h"\n#include "codecs/Gif.h"\n',
            "codecs/Gif.h": "",
            "operations/Export.cpp": '#include "codecs/Gif.h"\n#include <vector>\n',
            "editing/ui/Window.cpp": '#include "operations/Export.h"\n#include "Local.h"\n',
            "operations/Export.h": "",
        })
        self.assertEqual(code, 0, err)
        self.assertIn("operations       [operations] -> codecs", out)
        self.assertIn("editing/ui       [windows] -> operations", out)

    def test_an_include_of_a_higher_floor_fails_and_names_the_file(self):
        code, _, err = check({
            "operations/Export.h": "",
            "phone/Send.cpp": '#include "operations/Export.h"\n',
        })
        self.assertEqual(code, 1)
        self.assertIn("phone includes operations", err)
        self.assertIn("phone/Send.cpp -> operations/Export.h", err)

    def test_modules_on_one_floor_that_include_each_other_fail(self):
        code, _, err = check({
            "core/A.h": '#include "codecs/B.h"\n',
            "codecs/B.h": '#include "core/A.h"\n',
        })
        self.assertEqual(code, 1)
        self.assertIn("modules include each other: codecs, core", err)

    def test_a_window_part_is_its_own_module_and_a_domain_module_may_not_include_it(self):
        code, _, err = check({
            "editing/ui/Window.h": "",
            "editing/Model.cpp": '#include "editing/ui/Window.h"\n',
        })
        self.assertEqual(code, 1)
        self.assertIn("editing includes editing/ui", err)

    def test_an_unknown_top_level_folder_is_not_read(self):
        code, _, err = check({"tests/core/t.cpp": '#include "app/Main.h"\n', "app/Main.h": ""})
        self.assertEqual(code, 0, err)


if __name__ == "__main__":
    unittest.main()
