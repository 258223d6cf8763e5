"""Runs one end-to-end test module, or reports it skipped (exit 77) when this
machine cannot run the Windows programs of the build under test."""
import os
import sys
import unittest

import wine

if __name__ == "__main__":
    wine.require_runnable(os.environ.get("ZEP_WEXEC"), os.environ.get("ZEP_HF41"))
    program = unittest.main(module=None, argv=["run_e2e", "-v", sys.argv[1]], exit=False)
    sys.exit(0 if program.result.wasSuccessful() else 1)
